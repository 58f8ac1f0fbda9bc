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
#include "log/run_log_writer.h"
#include "log/run_observer.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace tandrel {

// What a run changed (or, in a preview, would change), counted as it goes.
struct RunCounts {
  long copied = 0;              // files copied (a copy that returned 0)
  long sourceDeleted = 0;       // a client's files deleted as deleted on the server
  long destinationDeleted = 0;  // files removed by the cleanup
  long foldersRemoved = 0;      // empty source folders and cleaned-up destination folders
  bool operator==(const RunCounts&) const = default;
};

// How far the current run is, for a window to show now and then; zero at
// the start of each run.
struct RunProgress {
  std::string job;     // the job being run
  std::string folder;  // the source folder being walked, ending in the separator
  long checked = 0;    // files handed to the transfer
  long failed = 0;     // failures reported
  int64_t bytesCopied = 0;
  // The long copy under way: bytes done of its size (both 0 between copies).
  int64_t fileDone = 0, fileSize = 0;
};

// How a run writes its log, from the general settings; a preview writes no
// file and every file's line.
struct RunSettings {
  bool logFile = false;
  bool extendedLog = false;
  bool appendLog = false;
  bool multipleLog = false;
  // Nothing on disk changes: the run plans over the file system in force.
  bool preview = false;

  static RunSettings From(const GeneralSettings& general) {
    return {general.logFile, general.extendedLog, general.appendLog, general.multipleLog, false};
  }
};

// The job being run, its folders without a trailing separator.
struct RunningJob : JobRecord {
  // The destination finds names whatever their letter case: names are
  // matched without regard to case there.
  bool destinationIgnoresCase = false;
  // When the destination lies inside the source, the walk skips the folder
  // with this identity.
  bool skipDestination = false;
  uint64_t skipDevice = 0, skipInode = 0;
};

// The line written instead of a run when another one holds the configuration.
inline constexpr char kRunBusyLine[] = "Another run of this configuration is in progress";
// The line written instead of a run that its lock refuses (platform.h,
// RunLockState): another user's lock file, or one that is held and open to
// others. Empty for a lock that refuses nothing.
std::string RunLockRefusedLine(const std::string& configPath, platform::RunLockState state);
// The last line of a run the user stopped.
inline constexpr char kRunStoppedLine[] = "Synchronisation stopped by the user";
// The line for a source folder (ending in the separator) that exists but
// cannot be listed.
std::string ReadingDirFailedLine(const std::string& folder, int code);
// `The configuration file "<path>" could not be read, errorcode: <code>`
// when the file exists and cannot be read; empty when it can (a missing
// file can: it holds no jobs).
std::string ConfigurationErrorOf(const std::string& configPath);

class RunEngine {
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
  bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }
  // Set while a stop is requested, for loops that check it on each entry.
  const std::atomic<bool>& StopFlag() const { return stopRequested_; }
  bool Running() const { return running_.load(); }

  // What the current or last run changed, and how far it is: from any thread.
  RunCounts Counts() const;
  RunProgress Progress() const;

  // ---- For the run's own parts, on the run's thread ----
  // Writes one line (as SafeLineText makes it) to the log file and the
  // observer; while copies wait, it waits with them.
  void AddLogLine(const std::string& text);
  // A log line that reports a failure: written as AddLogLine writes it, and
  // noted as below.
  void AddFailureLine(const std::string& text);
  // Marks the run as failed and tells the observer.
  void NoteFailure(const std::string& text);
  // A long copy is this far; false when it is to be abandoned.
  bool CopyGoesOn(int64_t copied, int64_t size);
  // The cleanup deleted (in a preview: would delete) the destination file
  // `path`: counted, and in a preview listed, since a preview is where the
  // user looks before trusting a job with deletions.
  void DestinationFileDeleted(const std::string& path);
  // Changes the progress and counts under the lock that readers take.
  template <typename Change>
  void Update(Change&& change) {
    const std::lock_guard<std::mutex> lock(progressMutex_);
    change(progress_, counts_);
  }
  // The walk holds the folders of `depth` levels below the job's top: the
  // copies that wait are as many as the descriptors left allow.
  void WalkIsAt(int depth);
  // Hands the folders of a level whose subfolders the walk is about to
  // enter to the run's read-ahead, if any.
  void PostReadAhead(const platform::DirHandle& source, const platform::DirHandle& dest);
  // The copies of the run that wait to be flushed together; lines and
  // failures wait with them (see CopyBatch).
  CopyBatch& Copies() { return copies_; }
  // The run's read-ahead, which may take on part of a level's reading;
  // none outside a run or with the read-ahead off.
  ReadAhead* ReadAheadThread() const { return readAhead_.get(); }
  const RunningJob& Job() const { return job_; }
  const RunSettings& Settings() const { return settings_; }

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
  bool ReadAheadEnabled() const { return readAheadEnabled_; }

 private:
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
  RunSettings settings_;
  RunningJob job_;
  std::string startError_;
  std::unique_ptr<ReadAhead> readAhead_;  // during a run
  bool readAheadEnabled_ = ReadAhead::WantedByEnvironment();
  bool readAheadAsOnASlowDisk_ = false;
  CopyBatch copies_;
  size_t descriptorLimit_ = 0;  // for this run
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> running_{false};
  bool runFailed_ = false;
  mutable std::mutex progressMutex_;
  RunProgress progress_;
  RunCounts counts_;
  std::function<std::time_t()> clock_;
};

}  // namespace tandrel
