#include "engine/preview_run.h"

#include "platform/platform.h"
#include "platform/preview/preview_scope.h"

namespace tandrel {

RunResult PreviewJobs(TfMainBase& main) {
  struct Settings {
    TfMainBase& main;
    bool logFile = main.LogFile;
    bool extendedLog = main.ExtendedLog;
    ~Settings() {
      main.LogFile = logFile;
      main.ExtendedLog = extendedLog;
      main.Previewing = false;
    }
  } kept{main};
  main.LogFile = false;
  main.ExtendedLog = true;
  main.Previewing = true;
  // A level's facts are read through the plan like every other question;
  // the read-ahead's own threads only warm the caches of the disk beneath.
  const platform::PreviewScope preview;
  return main.RunJobs();
}

std::string PreviewSummary(const RunCounts& counts) {
  return "Preview: " + std::to_string(counts.copied) + " files would be copied, " +
         std::to_string(counts.sourceDeleted) + " source files deleted, " +
         std::to_string(counts.destinationDeleted) + " destination files deleted, " +
         std::to_string(counts.foldersRemoved) + " folders removed";
}

}  // namespace tandrel
