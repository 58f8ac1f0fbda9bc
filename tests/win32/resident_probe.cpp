// Waits until the program at PROGRAM-PATH is resident, its hidden window
// there for later starts and the setup program to find: the other side of
// the tests that start it again, replace it and uninstall it while it runs.
//
//   resident_probe PROGRAM-PATH    exits 0 once resident, 1 after a minute

#include <windows.h>

#include "platform/win32/wide.h"
#include "win32ui/resident_window.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::wstring program = tandrel::platform::win32::Wide(argv[1]);
  for (int i = 0; i < 600; ++i) {
    if (::FindWindowW(tandrel::win32::kResidentClass, program.c_str())) return 0;
    ::Sleep(100);
  }
  return 1;
}
