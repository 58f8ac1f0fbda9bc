#include "program/unattended.h"

#include <cstdio>

#include "config/ini_file.h"
#include "config/job_lists.h"
#include "platform/platform.h"
#include "program/exit_codes.h"
#include "support/error_text.h"

namespace tandrel {

void EchoToStandardError(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool SayIfNoConfiguration(const std::string& configPath) {
  const IniSnapshot configuration(configPath);
  if (configuration.error() == platform::kErrNotFound) {
    EchoToStandardError("No configuration file at " + configPath + ": nothing to do");
    return true;
  }
  // A file that cannot be read is the run's to report.
  if (configuration.error() != 0 || !ReadJobList(configuration, kActiveJobs).empty()) return false;
  EchoToStandardError("No active jobs in " + configPath + ": nothing to do");
  return true;
}

void ReportStartUpError(std::exception_ptr error) {
  EchoToStandardError(std::string(kApplicationTitle) + ": " + ErrorText(error));
}

int RunUnattended(const std::string& programPath, const std::function<void(TfMainBase&)>& mainCreated) {
  try {
    UnattendedMain main(programPath);
    // What the main window does when it is created, apart from its timer.
    main.WindowsEnding = false;
    main.RunInProgress = false;
    main.LoadGeneralSettings();
    main.ComputeNextSyncTime();
    if (mainCreated) mainCreated(main);
    if (SayIfNoConfiguration(main.ConfigPath())) return kExitClean;
    main.SetFailureEcho(EchoToStandardError);
    return ExitCodeOf(main.RunJobs());
  } catch (...) {
    ReportStartUpError(std::current_exception());
    return kExitStartUpError;
  }
}

}  // namespace tandrel
