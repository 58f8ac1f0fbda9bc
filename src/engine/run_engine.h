#pragma once
// The run: every active job of the configuration as it stood when the run
// started, through the file system in force where the run was made, told
// to an observer. It knows no window; a window runs it on a thread of its
// own and reads its progress from there.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "config/general_settings.h"
#include "config/job_lists.h"
#include "config/locations.h"
#include "engine/copy_batch.h"
#include "engine/read_ahead.h"
#include "engine/run_context.h"
#include "log/run_log_writer.h"
#include "log/run_observer.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tandrel {

// The line written instead of a run when another one holds the configuration.
inline constexpr char kRunBusyLine[] = "Another run of this configuration is in progress";
// The line written instead of a run that its lock refuses (platform.h,
// RunLockState): another user's lock file, or one that is held and open to
// others. Empty for a lock that refuses nothing.
std::string RunLockRefusedLine(const std::string& configPath, platform::RunLockState state);
// The last line of a run the user stopped.
inline constexpr char kRunStoppedLine[] = "Synchronisation stopped by the user";
// `The configuration file "<path>" could not be read, errorcode: <code>`
// when the file exists and cannot be read; empty when it can (a missing
// file can: it holds no jobs).
std::string ConfigurationErrorOf(const std::string& configPath);

class RunEngine : public RunContext, private CopyBatch::Sink {
 public:
  // Runs go by the files of `locations` and are told to `observer` through
  // the run log writer. They go through `fileSystem` when one is given, and
  // otherwise through the one in force where RunJobs is called.
  RunEngine(FileLocations locations, RunObserver& observer, const platform::FileSystem* fileSystem = nullptr);
  ~RunEngine();
  RunEngine(const RunEngine&) = delete;
  RunEngine& operator=(const RunEngine&) = delete;

  // One run over every active job, as the configuration file held them when
  // the run started, on the calling thread. Problems inside it are logged;
  // anything that still escapes (such as exhausted memory) leaves the log
  // file closed and reaches the caller. While another process runs the same
  // configuration, only kRunBusyLine is told; with a run lock that refuses
  // the run or a configuration file that cannot be read, only StartError().
  RunResult RunJobs(const RunSettings& settings);
  // The error of the last run that could not start for a reason the user
  // has to mend (its run lock, its unreadable configuration); empty after one
  // that started. A run that found the configuration busy leaves it as it was.
  const std::string& StartError() const { return startError_; }

  // Ends the run in progress after the file in hand (a copy under way is
  // abandoned cleanly); it then writes kRunStoppedLine last and counts as
  // failed. From any thread; asked before the run has begun, it stops that
  // run at its start, so callers ask only while they have one under way.
  void RequestStop();
  bool Running() const { return running_.load(); }

  // What the current or last run changed, and how far it is: from any thread.
  RunCounts Counts() const;
  RunProgress Progress() const;

  const FileLocations& Locations() const { return locations_; }
  const RunLogWriter& Log() const { return log_; }

  // The clock of the start line and the log file's name (tests set their own).
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
  std::time_t Now() const { return clock_(); }

  // Whether runs read metadata ahead on other threads (by default as the
  // environment says: TANDREL_READ_AHEAD=0 turns it off); a run decides the
  // same either way. `asOnASlowDisk`: every reader reads from the start.
  void SetReadAhead(bool on, bool asOnASlowDisk = false) {
    readAheadEnabled_ = on;
    readAheadAsOnASlowDisk_ = asOnASlowDisk;
  }

 private:
  // ---- For the run's own parts, on the run's thread (see RunContext) ----
  void AddLine(HeldLine line) override { copies_.Hold(std::move(line)); }
  bool CopyGoesOn(int64_t copied, int64_t size) override;
  void DestinationFileDeleted(const std::string& path) override;
  void WalkIsAt(int depth) override;
  void PostReadAhead(const platform::DirHandle& source, const platform::DirHandle& dest) override;
  // The copy batch's steps in their turn (see CopyBatch::Sink).
  void CopyEnded(const CopyOutcome& outcome, AfterCopy& after) override;
  void LineDue(const HeldLine& line) override { Write(line); }
  // Writes `line` now: the log, and for a failure the run's failed state.
  void Write(const HeldLine& line);
  void NoteFailure(const std::string& text);

  RunResult Run();
  void RunOneJob(class FolderLevel& top, const JobRecord& job);
  // The checks that may keep a job from running; false after writing why.
  bool JobMayRun();
  // The one line of a run that does not start: to the observer only, since
  // such a run opens no log file. Returns `result`.
  RunResult SayInsteadOfARun(const std::string& text, RunResult result);

  FileLocations locations_;
  RunObserver& observer_;
  const platform::FileSystem* fileSystem_;
  RunLogWriter log_;
  std::string startError_;
  bool readAheadAsOnASlowDisk_ = false;
  size_t descriptorLimit_ = 0;  // for this run
  std::atomic<bool> running_{false};
  bool runFailed_ = false;
  std::function<std::time_t()> clock_;
};

}  // namespace tandrel
