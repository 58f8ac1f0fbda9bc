#include "engine/preview_run.h"

#include "platform/platform.h"
#include "platform/preview/preview_scope.h"

namespace tandrel {

RunResult PreviewJobs(TfMainBase& main) {
  struct Settings {
    TfMainBase& main;
    bool logFile = main.LogFile;
    bool extendedLog = main.ExtendedLog;
    bool readAhead = main.ReadAheadEnabled;
    ~Settings() {
      main.LogFile = logFile;
      main.ExtendedLog = extendedLog;
      main.ReadAheadEnabled = readAhead;
    }
  } kept{main};
  main.LogFile = false;
  main.ExtendedLog = true;
  // Every question goes to the plan: a level's kept facts and the second
  // thread read the disk beneath it and would miss the planned changes.
  main.ReadAheadEnabled = false;
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
