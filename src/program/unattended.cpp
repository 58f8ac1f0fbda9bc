#include "program/unattended.h"

#include <cstdio>

#include "config/general_settings.h"
#include "config/ini_file.h"
#include "config/job_lists.h"
#include "engine/run_engine.h"
#include "platform/error_codes.h"
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

int RunUnattended(const std::string& programPath, const std::function<void()>& engineCreated) {
  try {
    // Nobody sees the log area: only the failures are told, on standard error.
    class FailuresToStandardError : public RunObserver {
     public:
      void Line(const std::string&) override {}
      void Failure(const std::string& text) override { EchoToStandardError(text); }
    } echo;
    const FileLocations locations = PreparedLocationsFor(programPath);
    RunEngine engine(locations, echo);
    if (engineCreated) engineCreated();
    if (SayIfNoConfiguration(locations.configFile)) return kExitClean;
    const GeneralSettings settings = ReadGeneralSettings(IniFile(locations.configFile));
    return ExitCodeOf(engine.RunJobs(RunSettings::From(settings)));
  } catch (...) {
    ReportStartUpError(std::current_exception());
    return kExitStartUpError;
  }
}

}  // namespace tandrel
