#include "engine/folder_level.h"

#include <algorithm>

#include "engine/copy_batch.h"
#include "engine/destination_cleanup.h"
#include "engine/folder_facts.h"
#include "engine/paths.h"
#include "engine/run_context.h"
#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/process.h"

namespace tandrel {
namespace {

using platform::attr::Archive;

// Why the second of two source names that differ only in letter case is
// left alone where the destination cannot tell them apart.
constexpr const char* kTwinReason =
    " has the same name in another letter case, which the destination does not tell apart";
// Removes the archive attribute of a file found in step with its other
// side, leaving the others as they are: only while the file is still as the
// pass looked at it, since a file saved meanwhile is no longer in step.
// Nothing is written when the bit is already clear.
void ClearArchive(FolderFacts& dir, const std::string& name) {
  platform::EntryFacts look;
  if (!dir.Known(name, look)) look = dir.dir().LookAt(name);
  if (!look.exists() || !look.isRegular || (dir.dir().AttributesOf(name, look) & Archive) == 0) return;
  dir.dir().ClearArchiveAsCopied(name, {look.size, look.writeTime, look.writeTimeNsec});
  dir.Changed(name);
}

// Writes the line of a file the transfer is done with, where it has one.
void ReportFile(RunContext& run, const FileTransfer& file) {
  if (std::optional<HeldLine> line = FileLine(run.Settings(), file)) run.AddLine(std::move(*line));
}

// Maps a path below the job's From folder onto its To folder.
std::string MapToDestination(const RunningJob& job, const std::string& sourcePath) {
  const std::string& s = job.source;
  const size_t prefix = !s.empty() && platform::IsSeparator(s.back()) ? s.size() - 1 : s.size();
  return job.destination + sourcePath.substr(prefix);
}

}  // namespace

FolderLevel::FolderLevel(RunContext& run)
    : run_(run), job_(run.Job()), reader_(run, sourceDir_, destDir_, nullptr) {}

FolderLevel::FolderLevel(FolderLevel& parent, std::string name)
    : run_(parent.run_),
      job_(parent.job_),
      parent_(&parent),
      name_(std::move(name)),
      depth_(parent.depth_ + 1),
      reader_(parent.run_, sourceDir_, destDir_, &parent.reader_) {}

int32_t FolderLevel::SyncDir(const std::string& directory) {
  levelVerifyError_ = std::make_shared<bool>(false);
  heldSource_.reset();
  int32_t files = 0, dirs = 0, remaining = 0;
  const std::string dir = WithTrailingSeparator(directory);
  run_.Update([&dir](RunProgress& progress, RunCounts&) { progress.folder = dir; });
  OpenLevel(dir);
  // A folder that is there but cannot be read is never taken as empty: its
  // destination keeps everything, and it is never removed as empty. One that
  // has vanished since its parent was listed is simply gone.
  int readError = 0;
  if (!sourceDir_.valid() && sourceDir_.error() != platform::kErrNotFound) readError = sourceDir_.error();
  if (job_.includeSubDirs && readError == 0) {
    WalkSubfolders(ListLevel(remaining, readError), dirs, remaining);
  }

  // A stopped run leaves the rest of every level it is in undone, without
  // their summaries: the stop line is the run's last.
  if (!run_.StopRequested()) {
    // Back from its subfolders.
    run_.Update([&dir](RunProgress& progress, RunCounts&) { progress.folder = dir; });
    run_.WalkIsAt(depth_);
    PassOverFiles(files, remaining, readError);
  }
  if (run_.StopRequested()) {
    CloseLevel();
    return std::max(remaining, 1);
  }
  // A source folder that could not be opened tells nothing about what its
  // destination should hold, so nothing is removed on its account.
  // A destination folder this level made holds only what the run put there.
  if (job_.cleanupDestination && sourceDir_.valid() && readError == 0 && !madeNow_) {
    CleanUpDestinationLevel(run_, reader_.Source(), reader_.Destination(), destLevelDir_, job_.walk.mask,
                            foldCase_);
  }
  CloseLevel();

  if (readError != 0) {
    run_.AddFailureLine(ReadingDirFailedLine(dir, readError));
    // What could not be read may hold anything: never removed as empty.
    remaining = std::max(remaining, 1);
  } else {
    run_.AddLogLine("Dir " + dir + " - " + std::to_string(files) + " files and " + std::to_string(dirs) +
                    " directories synchronised");
  }
  // Known only once the level's copies have been compared.
  if (job_.verify)
    run_.AddLine({"    VERIFYERROR, check userrights and/or fileattributes", false, levelVerifyError_});
  return remaining;
}

std::vector<std::string> FolderLevel::ListLevel(int32_t& remaining, int& readError) {
  reader_.BeginListing(job_.walk);
  std::vector<std::string> subfolders;
  // The whole listing is read before a subfolder is walked, so that no
  // search stays open below: the descriptors a deep branch holds stay two a
  // level.
  platform::DirSearch search(sourceDir_, "*.*", platform::attr::All);
  platform::FindEntry entry;
  while (!run_.StopRequested() && search.Next(entry)) {
    // A killed copy's temporary, where this folder was once copied to.
    if (entry.isHidden && !entry.isDirectory && platform::IsStaleTemporary(entry.name) &&
        sourceDir_.RemoveStaleTemporary(entry.name) == 0) {
      continue;
    }
    reader_.Listed(entry);
    if (WalkRules::PassesOver(entry)) continue;
    ++remaining;
    // Twins are found in listing order, whatever their kinds.
    if (!entry.isDirectory) {
      if (job_.walk.TakesFile(entry)) TwinOf(entry.name);
      continue;
    }
    if (const std::string first = TwinOf(entry.name); !first.empty()) {
      run_.AddFailureLine("Dir \"" + levelDir_ + entry.name + "/\" could not be synchronised: \"" +
                          levelDir_ + first + "/\"" + kTwinReason);
      continue;
    }
    subfolders.push_back(entry.name);
  }
  if (sourceDir_.valid()) readError = search.error();
  reader_.ListingEnded(readError);
  return subfolders;
}

void FolderLevel::WalkSubfolders(const std::vector<std::string>& subfolders, int32_t& dirs,
                                 int32_t& remaining) {
  // Only a level with subfolders has anything to read ahead.
  if (!subfolders.empty() && !run_.StopRequested()) reader_.BeforeSubfolders();
  for (const std::string& name : subfolders) {
    if (run_.StopRequested()) break;
    const std::string sub = levelDir_ + name;
    // The job's own destination: never walked, never removed.
    if (job_.walk.IsOwnDestination(sourceDir_, name)) continue;
    if (!WalkRules::MayEnterBelow(depth_)) {
      run_.AddFailureLine("Dir \"" + sub + "/\" could not be synchronised: it lies more than " +
                          std::to_string(kMaxWalkDepth) + " folders deep");
      continue;
    }
    reader_.EnteringSubfolder();
    int32_t r;
    {
      FolderLevel child(*this, name);
      r = child.SyncDir(sub);
    }
    if (r != 0) {
      ++dirs;
    } else if (job_.deleteEmptySubDirs) {
      const int err = sourceDir_.RemoveFolder(name);
      if (StillThere(sourceDir_, name, err)) {
        run_.AddFailureLine("Dir \"" + sub + "\" not removed, errorcode: " + std::to_string(err));
      } else {
        run_.AddLogLine("Dir " + sub + " removed (was empty)");
        run_.Update([](RunProgress&, RunCounts& counts) { ++counts.foldersRemoved; });
        --remaining;
      }
    }
  }
}

void FolderLevel::PassOverFiles(int32_t& files, int32_t& remaining, int& readError) {
  if (readError == 0) readError = reader_.ReadForPass(job_.walk);
  if (readError != 0) return;
  FactsSearch search(reader_.Source(), job_.walk.mask, platform::attr::ReadOnly | Archive);
  platform::FindEntry entry;
  while (!run_.StopRequested() && search.Next(entry)) {
    if (!WalkRules::IsFile(entry)) continue;
    ++files;
    if (const std::string first = TwinOf(entry.name); !first.empty()) {
      ReportTwin(entry.name, first);
      continue;
    }
    if (!TransferFile(entry.name)) --remaining;
  }
  if (sourceDir_.valid()) readError = search.error();
}

std::string FolderLevel::TwinOf(const std::string& name) {
  if (!foldCase_) return {};
  std::string key = platform::FoldCase(name);
  const auto [first, inserted] = sourceSpelling_.emplace(key, name);
  if (!inserted) return first->second == name ? std::string() : first->second;
  // The first of its spelling: an entry of the destination that differs
  // only in letter case is this one, renamed in the source. It takes the
  // source's spelling rather than being taken for a stale one.
  if (!destDir_.valid()) return {};
  if (!destSpellingRead_) {
    destSpellingRead_ = true;
    platform::DirSearch search(destDir_, "*", platform::attr::All);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (!entry.isHidden) destSpelling_.emplace(platform::FoldCase(entry.name), entry.name);
    }
  }
  const auto there = destSpelling_.find(key);
  if (there == destSpelling_.end() || there->second == name) return {};
  const std::string& folder = destLevelDir_;
  const int err = destDir_.Rename(there->second, name);
  if (err == 0) {
    run_.AddLogLine("Renamed \"" + folder + there->second + "\" to \"" + folder + name + "\"");
  } else {
    run_.AddFailureLine("Renaming \"" + folder + there->second + "\" to \"" + folder + name +
                        "\" failed, errorcode: " + std::to_string(err));
  }
  reader_.Destination().Changed(there->second);
  reader_.Destination().Changed(name);
  there->second = name;
  return {};
}

void FolderLevel::ReportTwin(const std::string& name, const std::string& first) {
  // Nothing is copied: the copy would take the first one's place.
  const std::string source = levelDir_ + name;
  run_.Update([](RunProgress& progress, RunCounts&) { ++progress.checked; });
  if (run_.Settings().extendedLog) {
    run_.AddLogLine("File ... .C.. code " + std::to_string(platform::kErrExists) + " " + source + " -> " +
                    destLevelDir_ + name);
  }
  run_.AddFailureLine("File \"" + source + "\" could not be copied: \"" + levelDir_ + first + "\"" +
                      kTwinReason);
}

void FolderLevel::OpenLevel(const std::string& dir) {
  levelDir_ = dir;
  destLevelDir_ = MapToDestination(job_, dir);
  run_.WalkIsAt(depth_);
  foldCase_ = job_.destinationIgnoresCase;
  sourceSpelling_.clear();
  destSpelling_.clear();
  destSpellingRead_ = false;
  temporariesCleared_ = madeNow_ = false;
  if (parent_) {
    sourceDir_ = platform::DirHandle(parent_->sourceDir_, name_);
    destDir_ = platform::DirHandle(parent_->destDir_, name_);
  } else {
    sourceDir_ = platform::DirHandle(dir);
    destDir_ = platform::DirHandle(destLevelDir_);
  }
  reader_.Open(dir, foldCase_);
}

void FolderLevel::CloseLevel() {
  reader_.Close();
  levelDir_.clear();
  sourceDir_ = {};
  destDir_ = {};
}

int FolderLevel::EnsureDestination() {
  if (destDir_.valid()) return 0;
  // Only a missing folder is made; anything else standing there (a link, a
  // file) is the level's error.
  if (destDir_.error() != platform::kErrNotFound) return destDir_.error();
  if (!parent_) {
    // A top level is reached by its path, as the job names it.
    const std::string path = WithoutTrailingSeparator(destLevelDir_);
    if (const int rc = platform::CreateDirectories(path)) return rc;
    temporariesCleared_ = true;
    destDir_ = platform::DirHandle(path);
    return destDir_.error();
  }
  // Where the parent's folder was there all along, this one was just found
  // missing; otherwise it is looked for again in the parent made now.
  const bool parentWasThere = parent_->destDir_.valid();
  if (const int rc = parent_->EnsureDestination()) return rc;
  if (!parentWasThere) destDir_ = platform::DirHandle(parent_->destDir_, name_);
  if (destDir_.error() == platform::kErrNotFound) {
    const int rc = parent_->destDir_.MakeFolder(name_);
    if (rc != 0 && rc != platform::kErrExists) return rc;
    // A folder made just now holds no killed copy's temporary.
    temporariesCleared_ = madeNow_ = rc == 0;
    destDir_ = platform::DirHandle(parent_->destDir_, name_);
  }
  return destDir_.error();
}

bool FolderLevel::TransferFile(const std::string& name) {
  run_.Update([](RunProgress& progress, RunCounts&) { ++progress.checked; });
  TransferDecision decision = DecideOnLooks(name);
  bool stays = true;
  if (decision.deleteSource) {
    // Only while the server still lacks it: a file of that name put there
    // meanwhile keeps the client's, for the next run.
    const int err = destDir_.EntryError(name) == platform::kErrNotFound ? sourceDir_.RemoveFile(name)
                                                                        : platform::kErrExists;
    if (err == 0 || err == platform::kErrNotFound) {
      stays = false;
      if (err == 0) run_.Update([](RunProgress&, RunCounts& counts) { ++counts.sourceDeleted; });
    } else {
      decision.code = err;
    }
    reader_.Source().Changed(name);
  }
  if (decision.clearDestinationMark) ClearArchive(reader_.Destination(), name);
  if (decision.clearSourceMark) ClearArchive(reader_.Source(), name);

  // Most files need no line and no copy: their paths are made only when one
  // does.
  if (decision.copy || run_.Settings().extendedLog || decision.code != 0) {
    FileTransfer file{std::move(decision.status), levelDir_ + name, destLevelDir_ + name, decision.code, {}};
    if (decision.copy) {
      CopyInLevel(name, std::move(file), decision.markServer, decision.markClient, decision.deleteAfterCopy);
    } else {
      ReportFile(run_, file);
    }
  }
  return stays;
}

TransferDecision FolderLevel::DecideOnLooks(const std::string& name) {
  SourceSide source;
  source.age = reader_.Source().FileAge(name, &source.size);
  DestinationSide dest;
  const auto lookAtDestination = [&] {
    dest.age = reader_.Destination().FileAge(name, &dest.size);
    // Why the destination has no file matters only where it has none.
    if (dest.age != -1) return;
    dest.error = reader_.Destination().EntryError(name);
    dest.folder = dest.error == 0 && reader_.Destination().DirectoryExists(name);
    if (!destDir_.valid() && destDir_.error() != platform::kErrNotFound) dest.folderError = destDir_.error();
  };
  lookAtDestination();
  for (;;) {
    TransferDecision decision = Decide(job_, source, dest);
    switch (decision.look) {
      case TransferDecision::Look::Enough:
        return decision;
      case TransferDecision::Look::DestinationAgain:
        if (reader_.Destination().LookAgain(name)) lookAtDestination();
        dest.fresh = true;
        break;
      case TransferDecision::Look::SourceAgain:
        reader_.Source().Changed(name);
        source.archive = (reader_.Source().GetAttributes(name) & Archive) != 0;
        source.fresh = true;
        break;
    }
  }
}

void FolderLevel::CopyInLevel(const std::string& name, FileTransfer file, bool markServer, bool markClient,
                              bool deleteAfterCopy) {
  int code = 0;
  platform::PendingCopy copy;
  try {
    const bool destWasThere = destDir_.valid();
    code = EnsureDestination();
    if (code == 0 && !destWasThere && madeNow_) reader_.DestinationMadeNow();
    // A copy killed on a file system without unnamed files leaves its
    // temporary where it was copying; the next run copies that file again
    // and clears them away. The cleanup does so anyway where it is on.
    if (code == 0 && !temporariesCleared_ && !job_.cleanupDestination) {
      temporariesCleared_ = true;
      RemoveStaleTemporaries(destDir_);
    }
    if (code == 0) {
      // What the pass has looked at need not be looked at again.
      platform::EntryFacts source, dest;
      const bool known = reader_.Source().Known(name, source) && reader_.Destination().Known(name, dest);
      reader_.Destination().Changed(name);
      const auto goesOn = [this](int64_t copied, int64_t size) { return run_.CopyGoesOn(copied, size); };
      const auto prepare = [&] {
        return known ? platform::PrepareCopy(sourceDir_, name, source, destDir_, name, dest, markServer,
                                             goesOn, code)
                     : platform::PrepareCopy(sourceDir_, name, destDir_, name, markServer, goesOn, code);
      };
      copy = prepare();
      // Where something else has taken the descriptors the batches were
      // sized for, the waiting copies give theirs back first.
      if (code == platform::kErrTooManyOpen && run_.Copies().Waiting()) {
        run_.Copies().Complete();
        copy = prepare();
      }
      run_.Update([](RunProgress& progress, RunCounts&) { progress.fileDone = progress.fileSize = 0; });
    }
  } catch (...) {
    copy.Discard();
    file.status[status::kFailAt] = 'R';
    code = CodeOfCurrentException();
  }
  if (code != 0) {
    // A copy that was not made is not compared either.
    file.code = code;
    ReportFile(run_, file);
    return;
  }

  // The copy's folder outlives the level only while copies wait for it.
  if ((job_.verify || markClient || deleteAfterCopy) && !heldSource_) {
    heldSource_ = std::make_shared<platform::DirHandle>(sourceDir_.Reopen());
  }
  if (job_.verify) file.levelVerifyError = levelVerifyError_;
  run_.Copies().Add(
      std::move(copy),
      AfterCopy{std::move(file), heldSource_, name, {}, job_.verify, markClient, deleteAfterCopy});
}

}  // namespace tandrel
