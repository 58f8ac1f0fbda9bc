// The program as users, cron and the desktop start it. A run without any
// display needs no window system, so this part loads none: it answers and
// runs what needs no window itself, and starts the program with windows in
// its own place for everything else.

#include <optional>
#include <string>

#include "cli/display_platform.h"
#include "cli/windowed_program.h"
#include "platform/error_codes.h"
#include "platform/process.h"
#include "platform/start.h"
#include "program/command_line.h"
#include "program/exit_codes.h"
#include "program/unattended.h"

namespace tandrel {
namespace {

// The program with windows: beside this one (a build), where the package
// installs it relative to this one, or where it was built (for a copy of
// a built program placed elsewhere).
std::string WindowedProgram(const std::string& programPath) {
  const std::string folder = programPath.substr(0, programPath.rfind('/') + 1);
  for (const std::string& candidate :
       {folder + kWindowedProgramName, folder + "../lib/tandrel/" + kWindowedProgramName,
        std::string(TANDREL_WINDOWED_PROGRAM)}) {
    if (platform::MayStart(candidate)) return candidate;
  }
  return {};
}

// Returns only when the program with windows cannot start.
int StartWindows(char** argv, const std::string& programPath) {
  const std::string windowed = WindowedProgram(programPath);
  int error = platform::kErrNotFound;
  if (!windowed.empty()) {
    error = platform::SetEnvironment(kStartedAsVariable, programPath)
                ? platform::ReplaceProcess(windowed, argv)
                : platform::kErrOutOfMemory;
  }
  EchoToStandardError(std::string("The windows cannot start: ") +
                      (windowed.empty() ? kWindowedProgramName : windowed.c_str()) + ": " +
                      platform::ErrorText(error));
  return kExitStartUpError;
}

}  // namespace
}  // namespace tandrel

int main(int argc, char** argv) {
  using namespace tandrel;
  platform::InitLocale();
  const std::string programPath = platform::ExecutablePath();
  if (const std::optional<int> code = RunWithoutWindows(argc, argv, programPath)) return *code;
  if (RoadOf(NoDisplayNamed(), argc, argv, DebugWanted()) == Road::Unattended) {
    return RunUnattended(programPath, {});
  }
  return StartWindows(argv, programPath);
}
