#include "engine/main_base.h"

#include "config/ini_file.h"
#include "config/job_lists.h"
#include "engine/folder_level.h"
#include "engine/paths.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "support/text_lines.h"

namespace tandrel {
namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

TfMainBase::TfMainBase(std::string programPath)
    : programPath_(std::move(programPath)),
      locations_(LocationsFor(programPath_)),
      clock_([] { return std::time(nullptr); }) {
  // A configuration kept in the user's folders needs its folder before the
  // first setting can be saved there.
  if (locations_.perUser) platform::CreateDirectories(ProgramFolder(locations_.configFile));
}

// The run closes its log file at its end, so nothing is left to close here.
TfMainBase::~TfMainBase() = default;

RunResult TfMainBase::RunJobs() {
  const platform::RunLock lock(ConfigPath());
  if (lock.busy()) {
    // Nothing of this run happens: no log file, no change to the log area
    // but this one line.
    SayInsteadOfARun(kRunBusyLine);
    return RunResult::Busy;
  }
  // The run goes by the file as it is now, read once: what becomes of it
  // during the run (a job edited in the dialog, the file replaced or
  // removed) is for the next run.
  const IniSnapshot configuration(ConfigPath());
  // Read as if empty, such a file would give a run of no jobs that passes
  // for a clean one.
  if (!ConfigurationReadable(configuration.error())) return RunResult::Unreadable;

  RunInProgress = true;
  Counts = {};
  Progress = {};
  LogFileHandle.Close();
  logFileState_ = LogFileState::NotOpened;
  stopRequested_ = false;
  runFailed_ = false;
  logFailed_ = false;
  logFolderMade_ = false;
  // Whatever ends the run, normally or by an escaping error, the files are
  // closed and the next run can start.
  struct RunEnd {
    TfMainBase& self;
    ~RunEnd() {
      // Copies still waiting here were cut off by an escaping error: none
      // of them is named.
      self.copies_.Drop();
      self.readAhead_.reset();
      // A Log folder removed during the run is back when it ends.
      platform::EnsureDirectory(self.LogFolder());
      self.MemoFlush();
      self.LogFileHandle.Flush();
      self.LogFileHandle.Close();
      // A line written after the run goes to no file.
      self.logFileState_ = LogFileState::Failed;
      self.RunInProgress = false;
    }
  } runEnd{*this};

  MemoRunBegins();
  if (!AppendLog) MemoClear();
  if (MemoCount() >= 1) MemoAdd("");  // separates runs in the window only

  readAhead_ = std::make_unique<ReadAhead>(ReadAheadEnabled, ReadAheadAsOnASlowDisk);
  FolderLevel top(*this);
  AddLogLine(StartLine(Now()));
  for (const std::string& name : ReadJobList(configuration, kActiveJobs)) {
    if (stopRequested_) break;
    RunOneJob(top, ReadJob(configuration, name));
  }
  copies_.Complete();
  if (stopRequested_) AddFailureLine(kRunStoppedLine);
  const RunResult result = runFailed_ ? RunResult::Failed : RunResult::Clean;
  RunEnded(result);
  return result;
}

namespace {

// Whether a job's folder holds anything that a run would consider (a name
// not beginning with "."); 0, or why the folder could not be listed.
int HoldsEntries(const std::string& folder, bool& holds) {
  platform::DirSearch search(WithTrailingSeparator(folder) + "*", platform::attr::All);
  platform::FindEntry entry;
  holds = false;
  while (search.Next(entry)) {
    if (!entry.isHidden) {
      holds = true;
      return 0;
    }
  }
  return search.error();
}

}  // namespace

std::string ReadingDirFailedLine(const std::string& folder, int code) {
  return "Reading dir \"" + folder + "\" failed, errorcode: " + std::to_string(code);
}

bool TfMainBase::JobMayRun(const JobRecord& job) {
  if (!platform::DirectoryExists(JobSource, true)) {
    AddFailureLine("Source directory does not exist for job " + Quoted(job.name));
    return false;
  }
  if (!platform::DirectoryExists(JobDestination, true)) {
    AddFailureLine("Destination directory does not exist for job " + Quoted(job.name));
    return false;
  }

  // Cleaning up a destination that holds the source would delete the source
  // itself, so such a job is refused; a destination inside the source is
  // left out of the walk instead. Identities decide, so that a bind mount or
  // a second mount of one file system is caught as well as a link.
  SkipDestination = false;
  std::string realSource, realDest;
  const bool resolved =
      platform::ResolvePath(JobSource, realSource) && platform::ResolvePath(JobDestination, realDest);
  if ((resolved && (realSource == realDest || platform::PathInside(realSource, realDest))) ||
      platform::FolderWithin(JobSource, JobDestination)) {
    AddFailureLine("Source and destination overlap for job " + Quoted(job.name));
    return false;
  }
  if ((resolved && platform::PathInside(realDest, realSource)) ||
      platform::FolderWithin(JobDestination, JobSource)) {
    // Removing there would remove what the source holds: the destination
    // is part of the source tree.
    if (job.cleanupDestination || job.deleteEmptySubDirs) {
      AddFailureLine("Source and destination overlap for job " + Quoted(job.name));
      return false;
    }
    SkipDestination = platform::Identity(JobDestination, SkipDevice, SkipInode);
  }

  // A source that cannot be listed is not empty: nothing of the job runs.
  bool sourceHolds = false, destHolds = false;
  if (const int err = HoldsEntries(JobSource, sourceHolds)) {
    AddFailureLine(ReadingDirFailedLine(WithTrailingSeparator(JobSource), err));
    return false;
  }
  const int destError = HoldsEntries(JobDestination, destHolds);
  // An empty side is far more often a drive that is not mounted than a
  // deliberate wish to erase the other side: cleanup would empty the
  // destination, and a client would delete its files as if the server had.
  if (job.cleanupDestination && !sourceHolds && destHolds) {
    AddFailureLine("Source directory is empty for job " + Quoted(job.name) + ": job not run");
    return false;
  }
  if (job.handleAsClient && destError == 0 && !destHolds && sourceHolds) {
    AddFailureLine("Destination directory is empty for job " + Quoted(job.name) + ": job not run");
    return false;
  }
  return true;
}

void TfMainBase::RunOneJob(FolderLevel& top, const JobRecord& job) {
  Progress.job = job.name;
  JobSource = WithoutTrailingSeparator(job.source);
  JobDestination = WithoutTrailingSeparator(job.destination);
  if (!JobMayRun(job)) return;

  JobAlways = job.always;
  JobHandleAsServer = job.handleAsServer;
  JobHandleAsClient = job.handleAsClient;
  JobIncludeSubDirs = job.includeSubDirs;
  JobDeleteEmptySubDirs = job.deleteEmptySubDirs;
  JobCleanupDestination = job.cleanupDestination;
  JobVerify = job.verify;
  JobDestinationIgnoresCase = platform::DirHandle(JobDestination).IgnoresCase();
  top.SyncDir(JobSource, job.fileMask);
  // A job's copies stand before the next job starts: it may read them.
  copies_.Complete();
}

bool TfMainBase::CheckConfiguration() { return ConfigurationReadable(IniSnapshot(ConfigPath()).error()); }

bool TfMainBase::ConfigurationReadable(int err) {
  configError_.clear();
  if (err == 0 || err == platform::kErrNotFound) return true;
  configError_ = SafeLineText("The configuration file \"" + ConfigPath() +
                              "\" could not be read, errorcode: " + std::to_string(err));
  SayInsteadOfARun(configError_);
  return false;
}

void TfMainBase::SayInsteadOfARun(const std::string& text) {
  const std::string line = SafeLineText(text);
  MemoAdd(line);
  MemoFlush();
  if (failureEcho_) failureEcho_(line);
}

void TfMainBase::AddLogLine(const std::string& text) {
  if (copies_.Waiting()) {
    copies_.Then([this, text] { AddLogLine(text); });
    if (copies_.Full()) copies_.Complete();
    ProcessPendingMessages();
    return;
  }
  // Names may hold any byte but "/" and NUL; a line break or an escape
  // sequence in one must not forge lines in the file or on a terminal.
  const std::string line = SafeLineText(text);
  // Once a run, at its first line (before the log file is opened), and again
  // at its end; outside a run on every line.
  if (!logFolderMade_) platform::EnsureDirectory(LogFolder());
  logFolderMade_ = RunInProgress;
  if (LogFile) {
    if (logFileState_ == LogFileState::NotOpened) OpenLogFile();
    int err = LogFileHandle.open() ? 0 : -1;
    if (LogFileHandle.open()) {
      // Two writes, unbuffered: the file is complete up to the last line even
      // if the program stops during the run.
      err = LogFileHandle.Write(line);
      if (err == 0) err = LogFileHandle.Write("\r\n");
    }
    if (err != 0 && RunInProgress && !logFailed_) {
      logFailed_ = true;
      NoteFailure("The log file in " + LogFolder() + " could not be written" +
                  (err > 0 ? ", errorcode: " + std::to_string(err) : std::string()));
    }
  }
  MemoAdd(line);
  ProcessPendingMessages();
}

void TfMainBase::PostReadAhead(const platform::DirHandle& source, const platform::DirHandle& dest) {
  if (readAhead_) readAhead_->Post(source, dest);
}

void TfMainBase::AddFailureLine(const std::string& text) {
  AddLogLine(text);
  NoteFailure(text);
}

void TfMainBase::NoteFailure(const std::string& text) {
  if (copies_.Waiting()) {
    copies_.Then([this, text] { NoteFailure(text); });
    return;
  }
  runFailed_ = true;
  ++Progress.failed;
  if (failureEcho_) failureEcho_(SafeLineText(text));
}

void TfMainBase::RequestStop() {
  if (RunInProgress) stopRequested_ = true;
}

bool TfMainBase::CopyGoesOn(int64_t copied, int64_t size) {
  Progress.fileDone = copied;
  Progress.fileSize = size;
  ProcessPendingMessages();
  return !stopRequested_;
}

void TfMainBase::DestinationFileDeleted(const std::string& path) {
  ++Counts.destinationDeleted;
  if (Previewing) AddLogLine("Would delete file \"" + path + "\"");
}

void TfMainBase::OpenLogFile() {
  const std::string folder = LogFolder();
  const std::time_t now = Now();
  PurgeLogFolder(folder, now);
  const std::string path = folder + LogFileName(MultipleLog, now);
  const bool appended = AppendLog && LogFileHandle.OpenToAppend(path);
  if (appended) {
    LogFileHandle.Write("\r\n");
  } else {
    LogFileHandle.Create(path);
  }
  logFileState_ = LogFileHandle.open() ? LogFileState::Open : LogFileState::Failed;
}

}  // namespace tandrel
