// The Windows program's entry: the answers and the preview, the unattended
// run where nobody could see a window, and otherwise the program's windows.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/win32/wide.h"
#include "program/command_line.h"
#include "program/exit_codes.h"
#include "program/unattended.h"
#include "win32ui/console.h"
#include "win32ui/windows_startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showState) {
  tandrel::win32::UseParentConsole();
  tandrel::platform::InitLocale();
  const std::vector<std::string> arguments = tandrel::win32::Arguments();
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(arguments.size());

  const std::string programPath = tandrel::platform::ExecutablePath();
  try {
    if (const std::optional<int> code = tandrel::RunWithoutWindows(argc, argv.data(), programPath))
      return *code;
    // A scheduled task that runs whether or not the user is logged on has
    // no desktop to show a splash or a box on.
    if (tandrel::HasSyncSwitch(tandrel::ArgumentText(argc, argv.data())) &&
        !tandrel::win32::HasVisibleDesktop()) {
      return tandrel::RunUnattended(programPath);
    }
  } catch (...) {
    tandrel::ReportStartUpError(std::current_exception());
    return tandrel::kExitStartUpError;
  }
  // "--minimized" does what a shortcut's "Run: Minimized" does.
  if (tandrel::ShowStateOf(argc, argv.data()) == tandrel::kShowMinNoActive) showState = SW_SHOWMINNOACTIVE;
  return tandrel::win32::RunWindows(programPath, tandrel::ArgumentText(argc, argv.data()), showState);
}
