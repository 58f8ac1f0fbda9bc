// The Windows program's entry: the answers, the preview and the unattended
// run, on the same engine as everywhere.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "program/command_line.h"
#include "program/exit_codes.h"
#include "program/unattended.h"
#include "win32/console.h"

namespace {

// What the program says when it is asked for the windows it does not have.
constexpr char kNoWindowsLine[] =
    "This build has no windows: use /SYNC for a run, --preview to see what a run would do, --help for more";

void SayNoWindows() {
  if (tandrel::win32::HasStandardError()) {
    tandrel::EchoToStandardError(kNoWindowsLine);
    return;
  }
  // Started from Explorer: nobody would see a line on standard error.
  ::MessageBoxW(nullptr, tandrel::platform::win32::Wide(kNoWindowsLine).c_str(),
                tandrel::platform::win32::Wide(tandrel::kApplicationTitle).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
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
    if (tandrel::HasSyncSwitch(tandrel::ArgumentText(argc, argv.data()))) {
      return tandrel::RunUnattended(programPath);
    }
  } catch (...) {
    tandrel::ReportStartUpError(std::current_exception());
    return tandrel::kExitStartUpError;
  }
  SayNoWindows();
  return tandrel::kExitStartUpError;
}
