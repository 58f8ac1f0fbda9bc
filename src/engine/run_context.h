#pragma once
// What a job's walk and cleanup need of the run they belong to: the job and
// the settings, the log, the counts and progress, the stop, the copies that
// wait together and the read-ahead. RunEngine is the one run; its parts
// reach it only through this.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "config/general_settings.h"
#include "config/job_lists.h"
#include "engine/copy_batch.h"
#include "engine/read_ahead.h"
#include "engine/walk_rules.h"
#include "platform/folders.h"

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
  // What the walk enters and takes: the file mask, and the destination
  // where it lies inside the source.
  WalkRules walk;
};

// The line for a source folder (ending in the separator) that exists but
// cannot be listed.
std::string ReadingDirFailedLine(const std::string& folder, int code);

class RunContext {
 public:
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  const RunningJob& Job() const { return job_; }
  const RunSettings& Settings() const { return settings_; }
  bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }
  // Set while a stop is requested, for loops that check it on each entry.
  const std::atomic<bool>& StopFlag() const { return stopRequested_; }

  // Writes one line (as SafeLineText makes it) to the log file and the
  // observer; while copies wait, it waits with them. A failure's line also
  // marks the run as failed and tells the observer.
  virtual void AddLine(HeldLine line) = 0;
  void AddLogLine(const std::string& text) { AddLine({text, false, nullptr}); }
  void AddFailureLine(const std::string& text) { AddLine({text, true, nullptr}); }
  // A long copy is this far; false when it is to be abandoned.
  virtual bool CopyGoesOn(int64_t copied, int64_t size) = 0;
  // The cleanup deleted (in a preview: would delete) the destination file
  // `path`: counted, and in a preview listed, since a preview is where the
  // user looks before trusting a job with deletions.
  virtual void DestinationFileDeleted(const std::string& path) = 0;
  // Changes the progress and counts under the lock that readers take.
  template <typename Change>
  void Update(Change&& change) {
    const std::lock_guard<std::mutex> lock(progressMutex_);
    change(progress_, counts_);
  }
  // The walk holds the folders of `depth` levels below the job's top: the
  // copies that wait are as many as the descriptors left allow.
  virtual void WalkIsAt(int depth) = 0;
  // Hands the folders of a level whose subfolders the walk is about to
  // enter to the run's read-ahead, if any.
  virtual void PostReadAhead(const platform::DirHandle& source, const platform::DirHandle& dest) = 0;
  // The copies of the run that wait to be flushed together; lines and
  // failures wait with them (see CopyBatch).
  CopyBatch& Copies() { return copies_; }
  // The run's read-ahead, which may take on part of a level's reading;
  // none outside a run or with the read-ahead off.
  ReadAhead* ReadAheadThread() const { return readAhead_.get(); }
  // Whether runs read ahead (see RunEngine::SetReadAhead).
  bool ReadAheadEnabled() const { return readAheadEnabled_; }

 protected:
  // The batch's held steps go to `sink` in their turn.
  explicit RunContext(CopyBatch::Sink& sink) : copies_(sink) {}
  ~RunContext() = default;

  RunSettings settings_;
  RunningJob job_;
  std::unique_ptr<ReadAhead> readAhead_;  // during a run
  bool readAheadEnabled_ = ReadAhead::WantedByEnvironment();
  CopyBatch copies_;
  std::atomic<bool> stopRequested_{false};
  mutable std::mutex progressMutex_;
  RunProgress progress_;
  RunCounts counts_;
};

}  // namespace tandrel
