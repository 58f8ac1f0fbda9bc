#include "engine/run_engine.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "config/ini_file.h"
#include "engine/destination_reader.h"
#include "engine/folder_level.h"
#include "engine/paths.h"
#include "log/run_log.h"
#include "platform/preview/preview_scope.h"
#include "support/text_lines.h"

namespace tandrel {
namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

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

// How many copies may wait for one flush while the walk is `depth` folders
// below the job's top: what the platform finds worth it, within the
// `limit` of descriptors. A waiting copy holds its own, its destination
// folder's and (to be compared or marked) its source folder's, in up to
// three batches at once: filled, flushed and named. The rest of the run
// holds two folders a level of the walk and of the destination reader, the
// read-ahead's few and the program's own (its log, its lock, its windows,
// the two files a comparison reads).
size_t CopiesPerBatch(size_t limit, int depth) {
  constexpr size_t kPerCopy = 3, kBatches = 3, kProgram = 128;
  const size_t rest = 2 * (static_cast<size_t>(depth) + 1) + 2 * DestinationReader::kMostLevels +
                      ReadAhead::kMostDescriptors + kProgram;
  const size_t fromLimit = limit > rest ? (limit - rest) / (kPerCopy * kBatches) : 1;
  return std::clamp<size_t>(fromLimit, 1, platform::CopiesPerFlush());
}

std::string ConfigurationErrorFor(const std::string& configPath, int err) {
  if (err == 0 || err == platform::kErrNotFound) return {};
  return SafeLineText("The configuration file \"" + configPath +
                      "\" could not be read, errorcode: " + std::to_string(err));
}

}  // namespace

std::string ReadingDirFailedLine(const std::string& folder, int code) {
  return "Reading dir \"" + folder + "\" failed, errorcode: " + std::to_string(code);
}

std::string RunLockRefusedLine(const std::string& configPath, platform::RunLockState state) {
  const std::string lock = Quoted(platform::RunLockFile(configPath));
  switch (state) {
    case platform::RunLockState::OtherUser:
      return "The run lock " + lock +
             " belongs to another user; remove it, or have its owner remove it, to run this configuration";
    case platform::RunLockState::OpenToOthers:
      return "The run lock " + lock +
             " is held, but other users can open it; remove it once no run of this configuration is in "
             "progress";
    default:
      return {};
  }
}

std::string ConfigurationErrorOf(const std::string& configPath) {
  return ConfigurationErrorFor(configPath, IniSnapshot(configPath).error());
}

RunEngine::RunEngine(FileLocations locations, RunObserver& observer, const platform::FileSystem* fileSystem)
    : RunContext(static_cast<CopyBatch::Sink&>(*this)),
      locations_(std::move(locations)),
      observer_(observer),
      fileSystem_(fileSystem),
      log_(locations_.logFolder, observer),
      clock_([] { return std::time(nullptr); }) {}

// The run closes its log file at its end, so nothing is left to close here.
RunEngine::~RunEngine() = default;

RunResult RunEngine::RunJobs(const RunSettings& settings) {
  // The one place a run takes its file system: on whatever thread it runs.
  const platform::FileSystemScope fileSystem(fileSystem_ ? *fileSystem_ : platform::CurrentFileSystem());
  // A stop asked for before the run got here still stops it; the next run
  // starts afresh.
  struct Running {
    RunEngine& self;
    ~Running() {
      self.running_ = false;
      self.stopRequested_ = false;
    }
  } running{*this};
  running_ = true;
  settings_ = settings;
  std::optional<platform::PreviewScope> preview;
  if (settings.preview) {
    // Every file's line, and no log file, since nothing is done; the plan
    // covers the level's facts too, while the read-ahead's own threads only
    // warm the caches of the disk beneath.
    settings_.logFile = false;
    settings_.extendedLog = true;
    preview.emplace();
  }
  return Run();
}

RunResult RunEngine::Run() {
  const platform::RunLock lock(locations_.configFile);
  if (lock.busy()) {
    // Nothing of this run happens: no log file, no change to the log area
    // but this one line.
    return SayInsteadOfARun(kRunBusyLine, RunResult::Busy);
  }
  // Whoever holds such a lock would otherwise keep every run "in progress"
  // for ever.
  startError_ = RunLockRefusedLine(locations_.configFile, lock.state());
  if (!startError_.empty()) return SayInsteadOfARun(startError_, RunResult::LockRefused);
  // The run goes by the file as it is now, read once: what becomes of it
  // during the run (a job edited in the dialog, the file replaced or
  // removed) is for the next run.
  const IniSnapshot configuration(locations_.configFile);
  // Read as if empty, such a file would give a run of no jobs that passes
  // for a clean one.
  startError_ = ConfigurationErrorFor(locations_.configFile, configuration.error());
  if (!startError_.empty()) {
    return SayInsteadOfARun(startError_, RunResult::Unreadable);
  }
  std::vector<JobRecord> jobs;
  for (const std::string& name : ReadJobList(configuration, kActiveJobs)) {
    jobs.push_back(ReadJob(configuration, name));
  }

  Update([](RunProgress& progress, RunCounts& counts) {
    progress = {};
    counts = {};
  });
  log_.Prepare({settings_.logFile, settings_.appendLog, settings_.multipleLog}, Now());
  runFailed_ = false;
  // Whatever ends the run, normally or by an escaping error, the files are
  // closed and the next run can start.
  struct RunEnd {
    RunEngine& self;
    ~RunEnd() {
      // Copies still waiting here were cut off by an escaping error: none
      // of them is named.
      self.copies_.Drop();
      self.readAhead_.reset();
      self.log_.Close();
    }
  } runEnd{*this};

  log_.RunBegins();
  readAhead_ = std::make_unique<ReadAhead>(readAheadEnabled_, readAheadAsOnASlowDisk_);
  // A preview's planned copies join its plan as they are named, which the
  // walk reads meanwhile: they are named on the walk's thread.
  copies_.FlushInBackground(readAheadEnabled_ && !settings_.preview);
  descriptorLimit_ = platform::DescriptorLimit();
  WalkIsAt(0);
  FolderLevel top(*this);
  AddLogLine(StartLine(Now()));
  for (const JobRecord& job : jobs) {
    if (StopRequested()) break;
    RunOneJob(top, job);
  }
  copies_.Complete();
  if (StopRequested()) AddFailureLine(kRunStoppedLine);
  const RunResult result = runFailed_ ? RunResult::Failed : RunResult::Clean;
  log_.RunEnded(result);
  return result;
}

bool RunEngine::JobMayRun() {
  RunningJob& job = job_;
  if (!platform::DirectoryExists(job.source, true)) {
    AddFailureLine("Source directory does not exist for job " + Quoted(job.name));
    return false;
  }
  if (!platform::DirectoryExists(job.destination, true)) {
    AddFailureLine("Destination directory does not exist for job " + Quoted(job.name));
    return false;
  }

  // Cleaning up a destination that holds the source would delete the source
  // itself, so such a job is refused; a destination inside the source is
  // left out of the walk instead. Identities decide, so that a bind mount or
  // a second mount of one file system is caught as well as a link.
  std::string realSource, realDest;
  const bool resolved =
      platform::ResolvePath(job.source, realSource) && platform::ResolvePath(job.destination, realDest);
  if ((resolved && (realSource == realDest || platform::PathInside(realSource, realDest))) ||
      platform::FolderWithin(job.source, job.destination)) {
    AddFailureLine("Source and destination overlap for job " + Quoted(job.name));
    return false;
  }
  if ((resolved && platform::PathInside(realDest, realSource)) ||
      platform::FolderWithin(job.destination, job.source)) {
    // Removing there would remove what the source holds: the destination
    // is part of the source tree.
    if (job.cleanupDestination || job.deleteEmptySubDirs) {
      AddFailureLine("Source and destination overlap for job " + Quoted(job.name));
      return false;
    }
    FolderIdentity own;
    if (platform::Identity(job.destination, own.device, own.inode)) job.walk.ownDestination = own;
  }

  // A source that cannot be listed is not empty: nothing of the job runs.
  bool sourceHolds = false, destHolds = false;
  if (const int err = HoldsEntries(job.source, sourceHolds)) {
    AddFailureLine(ReadingDirFailedLine(WithTrailingSeparator(job.source), err));
    return false;
  }
  const int destError = HoldsEntries(job.destination, destHolds);
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

void RunEngine::RunOneJob(FolderLevel& top, const JobRecord& record) {
  Update([&record](RunProgress& progress, RunCounts&) { progress.job = record.name; });
  job_ = RunningJob{record, false, WalkRules{record.fileMask, std::nullopt}};
  job_.source = WithoutTrailingSeparator(record.source);
  job_.destination = WithoutTrailingSeparator(record.destination);
  if (!JobMayRun()) return;
  job_.destinationIgnoresCase = platform::DirHandle(job_.destination).IgnoresCase();
  top.SyncDir(job_.source);
  // A job's copies stand before the next job starts: it may read them.
  copies_.Complete();
}

RunResult RunEngine::SayInsteadOfARun(const std::string& text, RunResult result) {
  const std::string line = SafeLineText(text);
  observer_.Line(line);
  observer_.Failure(line);
  observer_.RunEnded(result);
  return result;
}

void RunEngine::CopyEnded(const CopyOutcome& outcome, AfterCopy& after) {
  if (const std::optional<HeldLine> line = ApplyAfterCopy(*this, outcome, after)) Write(*line);
}

void RunEngine::Write(const HeldLine& line) {
  if (line.onlyIf && !*line.onlyIf) return;
  // Names may hold any byte but "/" and NUL; a line break or an escape
  // sequence in one must not forge lines in the file or on a terminal.
  log_.Line(SafeLineText(line.text));
  if (const std::string failure = log_.TakeWriteFailure(); !failure.empty()) NoteFailure(failure);
  if (line.failure) NoteFailure(line.text);
}

void RunEngine::WalkIsAt(int depth) { copies_.SetCopiesPerFlush(CopiesPerBatch(descriptorLimit_, depth)); }

void RunEngine::PostReadAhead(const platform::DirHandle& source, const platform::DirHandle& dest) {
  if (readAhead_) readAhead_->Post(source, dest);
}

void RunEngine::NoteFailure(const std::string& text) {
  runFailed_ = true;
  Update([](RunProgress& progress, RunCounts&) { ++progress.failed; });
  log_.Failure(SafeLineText(text));
}

void RunEngine::RequestStop() { stopRequested_ = true; }

bool RunEngine::CopyGoesOn(int64_t copied, int64_t size) {
  Update([copied, size](RunProgress& progress, RunCounts&) {
    progress.fileDone = copied;
    progress.fileSize = size;
  });
  return !StopRequested();
}

void RunEngine::DestinationFileDeleted(const std::string& path) {
  Update([](RunProgress&, RunCounts& counts) { ++counts.destinationDeleted; });
  if (settings_.preview) AddLogLine("Would delete file \"" + path + "\"");
}

RunCounts RunEngine::Counts() const {
  const std::lock_guard<std::mutex> lock(progressMutex_);
  return counts_;
}

RunProgress RunEngine::Progress() const {
  const std::lock_guard<std::mutex> lock(progressMutex_);
  return progress_;
}

}  // namespace tandrel
