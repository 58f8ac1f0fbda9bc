#pragma once
// The program-wide state of the main window and the operations that need no
// window system: the run over all active jobs, the run log writer and the
// scheduler. TfMain derives from it and fills the two hooks with Qt: the log
// area's lines and the processing of pending messages. Engine objects get a
// reference to this object.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/locations.h"
#include "engine/copy_batch.h"
#include "engine/read_ahead.h"
#include "platform/platform.h"

namespace tandrel {

struct JobRecord;

// How a run ended, for callers that report it (the exit code of an
// unattended run).
enum class RunResult {
  Clean,       // every active job ran and nothing failed
  Failed,      // the run ended, but reported a failure
  Busy,        // another run of the same configuration was in progress: nothing done
  Unreadable,  // the configuration file exists but could not be read: nothing done
};

// Whether a run of that result went through its jobs (a busy or unreadable
// configuration stops it before the first): only then is there a count.
inline bool RanJobs(RunResult result) { return result == RunResult::Clean || result == RunResult::Failed; }

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

// The line written instead of a run when another one holds the configuration.
inline constexpr char kRunBusyLine[] = "Another run of this configuration is in progress";
// The last line of a run the user stopped.
inline constexpr char kRunStoppedLine[] = "Synchronisation stopped by the user";
// The line for a source folder (ending in the separator) that exists but
// cannot be listed.
std::string ReadingDirFailedLine(const std::string& folder, int code);

class TfMainBase {
 public:
  // `programPath` is the full path of the executable; the configuration file
  // and the Log folder are derived from it.
  explicit TfMainBase(std::string programPath);
  virtual ~TfMainBase();
  TfMainBase(const TfMainBase&) = delete;
  TfMainBase& operator=(const TfMainBase&) = delete;

  // One run over every active job, as the configuration file held them when
  // the run started. Problems inside it are logged; anything that still
  // escapes (such as exhausted memory) leaves RunInProgress off, the log
  // file closed, and reaches the caller. While another process runs the
  // same configuration, only kRunBusyLine is shown; with a configuration
  // file that cannot be read, only ConfigurationError().
  RunResult RunJobs();
  // Whether the configuration file can be read; a missing one can (it holds
  // no jobs). When it cannot, ConfigurationError() is written to the log
  // area and the failure echo.
  bool CheckConfiguration();
  // `The configuration file "<path>" could not be read, errorcode: <code>`
  // as written by the last check that failed; empty after one that passed.
  const std::string& ConfigurationError() const { return configError_; }
  // Appends one line to the log area and, with LogFile on, to the run's log
  // file. Like every line that leaves the program (the failure echo too),
  // it is written as SafeLineText makes it.
  void AddLogLine(const std::string& text);
  // A log line that reports a failure: written as AddLogLine writes it, and
  // noted as below.
  void AddFailureLine(const std::string& text);
  // Marks the run as failed and hands `text` to the failure echo.
  void NoteFailure(const std::string& text);
  // Ends the run in progress after the file in hand (a copy under way is
  // abandoned cleanly); it then writes kRunStoppedLine last and counts as
  // failed. Does nothing when no run is in progress.
  void RequestStop();
  bool StopRequested() const { return stopRequested_; }
  // A long copy is this far; lets pending messages (a Stop among them) be
  // handled. False when the copy is to be abandoned.
  bool CopyGoesOn(int64_t copied, int64_t size);
  // The cleanup deleted (in a preview: would delete) the destination file
  // `path`: counted, and in a preview listed, since a preview is where the
  // user looks before trusting a job with deletions.
  void DestinationFileDeleted(const std::string& path);
  // Hands the folders of a level whose subfolders the walk is about to
  // enter to the run's read-ahead, if any.
  void PostReadAhead(const platform::DirHandle& source, const platform::DirHandle& dest);
  // The copies of the run that wait to be flushed together; lines and
  // failures wait with them (see CopyBatch).
  CopyBatch& Copies() { return copies_; }
  // The run's read-ahead, which may take on part of a level's reading;
  // none outside a run or with the read-ahead off.
  ReadAhead* ReadAheadThread() const { return readAhead_.get(); }
  // Where failure lines go besides the log (standard error for an
  // unattended run); none by default.
  void SetFailureEcho(std::function<void(const std::string&)> echo) { failureEcho_ = std::move(echo); }

  // Scheduler.
  void LoadGeneralSettings();
  void ComputeNextSyncTime();
  // The tick of the 10-second timer.
  void SyncTimerTick();
  // When the next timed run falls due, "hh:mm"; empty when none will.
  std::string NextTimedRun() const;

  const std::string& ProgramPath() const { return programPath_; }
  // Where this program's files are (beside it, or in the user's folders).
  const std::string& ConfigPath() const { return locations_.configFile; }
  const std::string& LogFolder() const { return locations_.logFolder; }
  const std::string& ManualPath() const { return locations_.manual; }

  // The clock of everything timed (tests set their own).
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
  std::time_t Now() const { return clock_(); }

  // ---- Log area hooks (default: lines kept in memory) ----
  // The lines a run adds come as SafeLineText made them.
  virtual void MemoClear() { memo_.clear(); }
  virtual int MemoCount() const { return static_cast<int>(memo_.size()); }
  virtual void MemoAdd(const std::string& line) { memo_.push_back(line); }
  virtual void MemoReplaceAll(const std::vector<std::string>& lines) { memo_ = lines; }
  // Brings lines that a log area keeps back for speed onto the screen; called
  // at the end of every run.
  virtual void MemoFlush() {}
  // Lets the window system handle what is pending; nothing headless.
  virtual void ProcessPendingMessages() {}
  // A run has begun (RunInProgress is on) and is about to write its lines.
  virtual void MemoRunBegins() {}
  // A run has written its last line; RunInProgress is still on.
  virtual void RunEnded(RunResult) {}
  const std::vector<std::string>& MemoLines() const { return memo_; }

  // Whether runs read metadata ahead on other threads (TANDREL_READ_AHEAD=0
  // turns it off); a run decides the same either way.
  bool ReadAheadEnabled = ReadAhead::WantedByEnvironment();
  // Every reader reads from the start, as when the disk answers slowly.
  bool ReadAheadAsOnASlowDisk = false;

  // What the current or last run changed; zero at the start of each run.
  RunCounts Counts;
  RunProgress Progress;

  // ---- Main window state ----
  bool RunInProgress = false;
  // The run is a preview (PreviewJobs): nothing it reports was done.
  bool Previewing = false;
  bool WindowsEnding = false;

  // ---- Scheduler ----
  std::string SyncTime = "  :  ";
  bool IntervalMode = false;
  std::string NextSyncTime = "  :  ";
  bool TimerArmed = false;

  // ---- Run log ----
  bool LogFile = false;
  bool ExtendedLog = false;
  bool AppendLog = false;
  bool MultipleLog = false;
  // The run's log file, opened at its first line and closed at its end.
  platform::LogFile LogFileHandle;
  enum class LogFileState { NotOpened, Open, Failed };
  // Whether this run has opened its log file yet, and how that went.
  LogFileState LogFileStatus() const { return logFileState_; }

  // ---- Current job ----
  std::string JobSource;
  std::string JobDestination;
  bool JobAlways = false;
  bool JobHandleAsServer = false;
  bool JobHandleAsClient = false;
  bool JobIncludeSubDirs = false;
  bool JobDeleteEmptySubDirs = false;
  bool JobCleanupDestination = false;
  bool JobVerify = false;
  // The job's destination finds names whatever their letter case: names
  // are matched without regard to case there.
  bool JobDestinationIgnoresCase = false;

  // When the current job's destination lies inside its source, the walk
  // skips the directory with this identity.
  bool SkipDestination = false;
  uint64_t SkipDevice = 0;
  uint64_t SkipInode = 0;

 private:
  void RunOneJob(class FolderLevel& top, const JobRecord& job);
  // Whether a configuration file whose read gave `err` can be run; when
  // not, ConfigurationError() is set and written as SayInsteadOfARun does.
  bool ConfigurationReadable(int err);
  // The checks that may keep a job from running; false after writing why.
  bool JobMayRun(const JobRecord& job);
  // The one line of a run that does not start: to the log area and the
  // failure echo only, since such a run opens no log file.
  void SayInsteadOfARun(const std::string& text);
  void OpenLogFile();

  std::string programPath_;
  FileLocations locations_;
  std::function<void(const std::string&)> failureEcho_;
  std::string configError_;
  std::unique_ptr<ReadAhead> readAhead_;  // during a run
  CopyBatch copies_;
  LogFileState logFileState_ = LogFileState::NotOpened;
  bool stopRequested_ = false;
  bool runFailed_ = false;
  bool logFailed_ = false;      // the log file's failure is reported once a run
  bool logFolderMade_ = false;  // the run has made sure of the Log folder
  std::function<std::time_t()> clock_;
  std::vector<std::string> memo_;
};

}  // namespace tandrel
