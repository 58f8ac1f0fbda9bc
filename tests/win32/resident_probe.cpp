// Exits 0 once the program at PROGRAM-PATH is resident (its hidden window is
// there to be found), 1 after a minute.   resident_probe PROGRAM-PATH
#include <windows.h>

#include "platform/win32/wide.h"
#include "win32ui/resident_window.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::wstring program = tandrel::platform::win32::Wide(argv[1]);
  for (int i = 0; i < 600 && !::FindWindowW(tandrel::win32::kResidentClass, program.c_str()); ++i)
    ::Sleep(100);
  return ::FindWindowW(tandrel::win32::kResidentClass, program.c_str()) ? 0 : 1;
}
