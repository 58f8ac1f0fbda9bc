#pragma once
// What the window says about a run beside its log: how far it is while it
// goes on, how it ended, and which log lines report a failure.

#include <ctime>
#include <string>

#include "engine/run_engine.h"

namespace tandrel::ui {

// "Job "NAME" – FOLDER – 1200 files checked, 15 copied (3.4 MB), 1 failed",
// with the share of a long copy under way; job and folder only once known.
std::string ProgressText(const RunProgress& progress, const RunCounts& counts);
// "Ended 26-12-08  09:14: 1 failure, 15 copied, 0 + 2 deleted (From + To),
// 1 folders removed" ("Stopped" for a run the user stopped).
std::string SummaryText(std::time_t ended, const RunCounts& counts, const RunProgress& progress,
                        bool stopped);
// The tray icon's tip: running (with the job), or how the last run ended.
std::string RunningTip(const RunProgress& progress);
std::string EndedTip(std::time_t ended, const RunProgress& progress, bool stopped);
// The tray's message after a timed run that reported failures.
std::string TimedRunFailedText(std::time_t ended, const RunProgress& progress);
// Whether a log line reports a failure: a non-zero code, a verification
// difference, something that failed, was not removed or could not be done,
// a job not run, a stopped run.
bool IsFailureLine(const std::string& line);
// A byte count as people read it: "512 B", "3.4 MB", "1.2 GB".
std::string ByteText(int64_t bytes);

}  // namespace tandrel::ui
