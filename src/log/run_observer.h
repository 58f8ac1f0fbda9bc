#pragma once
// What a run tells whoever follows it: that it begins, each line it writes,
// each failure it notes, and how it ended. The run log writer follows a run
// this way and passes everything on to the log area (the window's queue, or
// nothing but standard error for an unattended run).

#include <string>

namespace tandrel {

// How a run ended, for callers that report it (the exit code of an
// unattended run).
enum class RunResult {
  Clean,        // every active job ran and nothing failed
  Failed,       // the run ended, but reported a failure
  Busy,         // another run of the same configuration was in progress: nothing done
  Unreadable,   // the configuration file exists but could not be read: nothing done
  LockRefused,  // the run lock is another user's, or held and open to others: nothing done
};

// Whether a run of that result went through its jobs (a busy, unreadable or
// refused configuration stops it before the first): only then is there a count.
inline bool RanJobs(RunResult result) { return result == RunResult::Clean || result == RunResult::Failed; }

// Called on the run's thread, in the run's order.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The run holds its lock and has read its configuration; its lines
  // follow. A run that does not start gets no call: its one line follows
  // alone.
  virtual void RunBegins() {}
  // One line, as SafeLineText made it.
  virtual void Line(const std::string& line) = 0;
  // The text of a failure (most also have a line), as SafeLineText made it.
  virtual void Failure(const std::string& /*text*/) {}
  // The run has written its last line.
  virtual void RunEnded(RunResult /*result*/) {}
};

}  // namespace tandrel
