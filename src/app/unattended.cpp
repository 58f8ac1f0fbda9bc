#include "app/unattended.h"

#include <cstdio>

#include "app/startup.h"
#include "support/error_text.h"

namespace tandrel {

void EchoToStandardError(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void ReportStartUpError(std::exception_ptr error) {
  EchoToStandardError(std::string(kApplicationTitle) + ": " + ErrorText(error));
}

int RunUnattended(const StartUpOptions& options) {
  try {
    UnattendedMain main(options.programPath);
    // What the main window does when it is created, apart from its timer.
    main.WindowsEnding = false;
    main.RunInProgress = false;
    main.LoadGeneralSettings();
    main.ComputeNextSyncTime();
    if (options.mainCreated) options.mainCreated(main);
    main.SetFailureEcho(EchoToStandardError);
    return ExitCodeOf(main.RunJobs());
  } catch (...) {
    ReportStartUpError(std::current_exception());
    return kExitStartUpError;
  }
}

}  // namespace tandrel
