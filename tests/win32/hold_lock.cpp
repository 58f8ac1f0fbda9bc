// Holds the run lock of a configuration, as a run in progress would, until
// a file appears: the other side of the busy-lock test of tandrel.exe.
//
//   hold_lock CONFIG-PATH RELEASE-FILE

#include <windows.h>

#include <cstdio>

#include "platform/entries.h"
#include "platform/files.h"
#include "platform/folders.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const tandrel::platform::RunLock lock(argv[1]);
  std::printf(lock.held() ? "held\n" : "not held\n");
  std::fflush(stdout);
  for (int i = 0;
       i < 600 && tandrel::platform::GetAttributes(argv[2]) == tandrel::platform::kInvalidAttributes; ++i)
    ::Sleep(100);
  return lock.held() ? 0 : 1;
}
