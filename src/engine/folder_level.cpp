#include "engine/folder_level.h"

#include <algorithm>

#include "engine/copy_batch.h"
#include "engine/destination_cleanup.h"
#include "engine/folder_facts.h"
#include "engine/paths.h"
#include "engine/run_context.h"
#include "platform/platform.h"

namespace tandrel {
namespace {

using platform::attr::Archive;

// The fewest files of a level whose destination facts go to the second
// thread.
constexpr size_t kSharedReadingMinimum = 32;
// Files in a level from which waiting for the reader's reading under way
// costs less than reading the level again, even where the reader must
// first wait for a processor.
constexpr size_t kAwaitedReadingMinimum = 1024;
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

// Writes the line of a file the transfer is done with: with extended
// logging always, otherwise only when it failed. A failure that only
// counted would leave the user a failure that no line names.
void ReportFile(RunContext& engine, const FileTransfer& file) {
  const bool verifyFailed = file.status[status::kVerifyAt] == 'E';
  const int32_t code = file.code;
  const bool failed = code != 0 || verifyFailed;
  if (!engine.Settings().extendedLog && !failed) return;
  std::string line = file.status;
  if (verifyFailed) line += " VERIFYERROR";
  line += " code " + std::to_string(code) + " " + file.sourceFile + " -> " + file.destFile;
  if (verifyFailed && engine.Settings().extendedLog && file.levelVerifyError) *file.levelVerifyError = true;
  engine.AddLogLine(line);
  if (failed) engine.NoteFailure(line);
}

// Deletes a client's file whose copy now stands on the server, unless it
// has changed since it was copied. 0 or the code.
int DeleteCopiedSource(RunContext& engine, const platform::DirHandle& folder, const std::string& name,
                       const platform::CopiedState& copied) {
  if (!copied.Describes(folder.LookAt(name))) return platform::kErrChanged;
  const int err = folder.RemoveFile(name);
  if (err == 0) engine.Update([](RunProgress&, RunCounts& counts) { ++counts.sourceDeleted; });
  return err == platform::kErrNotFound ? 0 : err;
}

size_t SourcePrefixLength(const RunContext& engine) {
  const std::string& s = engine.Job().source;
  return !s.empty() && platform::IsSeparator(s.back()) ? s.size() - 1 : s.size();
}

// Maps a path below the job's From folder onto its To folder.
std::string MapToDestination(const RunContext& engine, const std::string& sourcePath) {
  return engine.Job().destination + sourcePath.substr(SourcePrefixLength(engine));
}

}  // namespace

int32_t FolderLevel::SyncDir(const std::string& directory, const std::string& mask) {
  levelVerifyError_ = std::make_shared<bool>(false);
  heldSource_.reset();
  int32_t files = 0, dirs = 0, remaining = 0;
  const std::string dir = WithTrailingSeparator(directory);
  engine_.Update([&dir](RunProgress& progress, RunCounts&) { progress.folder = dir; });
  OpenLevel(dir);
  // A folder that is there but cannot be read is never taken as empty: its
  // destination keeps everything, and it is never removed as empty. One that
  // has vanished since its parent was listed is simply gone.
  int readError = 0;
  if (!sourceDir_.valid() && sourceDir_.error() != platform::kErrNotFound) readError = sourceDir_.error();
  const bool keepFacts = engine_.ReadAheadEnabled();
  // The level's listing, kept in the source's facts for its own pass while
  // it still shows the level as that pass finds it: no subfolder has been
  // walked, or the folder's change stamp says that nothing has changed.
  bool listedNow = false;
  uint64_t listedStamp = 0;

  if (engine_.Job().includeSubDirs && readError == 0) {
    sourceFacts_.Begin(keepFacts);
    listedNow = sourceFacts_.on();
    if (listedNow) listedStamp = sourceDir_.ChangeStamp();
    // A reading of the destination can only be checked where stamps tell.
    if (!parent_ && listedStamp != 0 && destDir_.valid() && engine_.ReadAheadThread()) {
      std::optional<DestinationReader::Identity> skip;
      if (engine_.Job().skipDestination) skip = {engine_.Job().skipDevice, engine_.Job().skipInode};
      ownDestinations_ = std::make_unique<DestinationReader>(sourceDir_, destDir_, levelDir_, mask, skip,
                                                             engine_.StopFlag());
      destinations_ = ownDestinations_.get();
    }
    std::vector<std::string> subfolders;
    {
      // The whole listing is read before a subfolder is walked, so that no
      // search stays open below: the descriptors a deep branch holds stay
      // two a level.
      platform::DirSearch search(sourceDir_, "*.*", platform::attr::All);
      platform::FindEntry entry;
      while (!engine_.StopRequested() && search.Next(entry)) {
        // A killed copy's temporary, where this folder was once copied to.
        if (entry.isHidden && !entry.isDirectory && platform::IsStaleTemporary(entry.name) &&
            sourceDir_.RemoveStaleTemporary(entry.name) == 0) {
          continue;
        }
        sourceFacts_.Add(entry);
        if (entry.isHidden) continue;
        ++remaining;
        // Twins are found in listing order, whatever their kinds.
        if (!entry.isDirectory) {
          if (platform::MatchesMask(entry.name, mask)) TwinOf(entry.name);
          continue;
        }
        if (const std::string first = TwinOf(entry.name); !first.empty()) {
          engine_.AddFailureLine("Dir \"" + dir + entry.name + "/\" could not be synchronised: \"" + dir +
                                 first + "/\"" + kTwinReason);
          continue;
        }
        subfolders.push_back(entry.name);
      }
      if (sourceDir_.valid()) readError = search.error();
      if (readError == 0) sourceFacts_.Complete();
    }
    bool posted = false, walked = false;
    for (const std::string& name : subfolders) {
      if (engine_.StopRequested()) break;
      // Only a level with subfolders has anything to read ahead.
      if (!posted) {
        posted = true;
        engine_.PostReadAhead(sourceDir_, destDir_);
      }
      const std::string sub = dir + name;
      if (engine_.Job().skipDestination) {
        uint64_t device, inode;
        if (sourceDir_.Identity(name, device, inode) && device == engine_.Job().skipDevice &&
            inode == engine_.Job().skipInode) {
          continue;  // the job's own destination: never walked, never removed
        }
      }
      // Deeper than that the walk does not go: each level holds its
      // folders open, and no real tree needs it.
      if (depth_ >= kMaxWalkDepth) {
        engine_.AddFailureLine("Dir \"" + sub + "/\" could not be synchronised: it lies more than " +
                               std::to_string(kMaxWalkDepth) + " folders deep");
        continue;
      }
      // A walked subfolder may change this level (a folder made or removed):
      // unless the stamp says otherwise, the level's own pass lists it again.
      if (listedNow && listedStamp == 0) {
        listedNow = false;
        sourceFacts_.Clear();
      }
      walked = true;
      int32_t r;
      {
        FolderLevel child(engine_, *this, name);
        r = child.SyncDir(sub, mask);
      }
      if (r != 0) {
        ++dirs;
      } else if (engine_.Job().deleteEmptySubDirs) {
        const int err = sourceDir_.RemoveFolder(name);
        if (StillThere(sourceDir_, name, err)) {
          engine_.AddFailureLine("Dir \"" + sub + "\" not removed, errorcode: " + std::to_string(err));
        } else {
          engine_.AddLogLine("Dir " + sub + " removed (was empty)");
          engine_.Update([](RunProgress&, RunCounts& counts) { ++counts.foldersRemoved; });
          --remaining;
        }
      }
    }
    if (readError != 0 || !sourceFacts_.Listed()) listedNow = false;
    if (listedNow && walked && sourceDir_.ChangeStamp() != listedStamp) listedNow = false;
  }

  // A stopped run leaves the rest of every level it is in undone, without
  // their summaries: the stop line is the run's last.
  if (engine_.StopRequested()) {
    CloseLevel();
    return std::max(remaining, 1);
  }
  // Back from its subfolders.
  engine_.Update([&dir](RunProgress& progress, RunCounts&) { progress.folder = dir; });
  engine_.WalkIsAt(depth_);
  if (readError == 0 && !listedNow) {
    sourceFacts_.Begin(keepFacts);
    sourceFacts_.List();
    if (sourceDir_.valid()) readError = sourceFacts_.ListError();
  }
  if (readError == 0) {
    // Taken whether or not the destination is there now, so that the
    // reader's readings never wait for a pass that will not come.
    bool destUnderWay = false;
    std::unique_ptr<FolderReading> destReading =
        destinations_ ? destinations_->Take(levelDir_, &destUnderWay) : nullptr;
    destFacts_.Begin(keepFacts);
    if (destFacts_.on()) ReadPassFacts(mask, std::move(destReading), destUnderWay);

    FactsSearch search(sourceFacts_, mask, platform::attr::ReadOnly | Archive);
    platform::FindEntry entry;
    while (!engine_.StopRequested() && search.Next(entry)) {
      if (entry.isHidden || entry.isDirectory) continue;
      ++files;
      if (const std::string first = TwinOf(entry.name); !first.empty()) {
        ReportTwin(entry.name, first);
        continue;
      }
      if (!TransferFile(entry.name)) --remaining;
    }
    if (sourceDir_.valid()) readError = search.error();
  }

  if (engine_.StopRequested()) {
    CloseLevel();
    return std::max(remaining, 1);
  }
  // A source folder that could not be opened tells nothing about what its
  // destination should hold, so nothing is removed on its account.
  // A destination folder this level made holds only what the run put there.
  if (engine_.Job().cleanupDestination && sourceDir_.valid() && readError == 0 && !madeNow_) {
    CleanUpDestinationLevel(engine_, sourceFacts_, destFacts_, destLevelDir_, mask, foldCase_);
  }
  CloseLevel();

  if (readError != 0) {
    engine_.AddFailureLine(ReadingDirFailedLine(dir, readError));
    // What could not be read may hold anything: never removed as empty.
    remaining = std::max(remaining, 1);
  } else {
    engine_.AddLogLine("Dir " + dir + " - " + std::to_string(files) + " files and " + std::to_string(dirs) +
                       " directories synchronised");
  }
  // Known only once the level's copies have been compared.
  engine_.Copies().Then([differs = levelVerifyError_, &engine = engine_] {
    if (*differs) engine.AddLogLine("    VERIFYERROR, check userrights and/or fileattributes");
  });
  return remaining;
}

void FolderLevel::ReadPassFacts(const std::string& mask, std::unique_ptr<FolderReading> destReading,
                                bool destUnderWay) {
  // The files the pass will ask about, on both sides.
  std::vector<std::string> names;
  if (sourceFacts_.Listed()) {
    FactsSearch search(sourceFacts_, mask, platform::attr::ReadOnly | Archive);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (!entry.isHidden && !entry.isDirectory) names.push_back(std::move(entry.name));
    }
  }
  // A large destination the reader is reading now is not read twice: the
  // walk reads the source's side meanwhile, then takes the reader's. From a
  // slow disk, it is read here too, as more requests at once answer sooner.
  const ReadAhead* readAhead = engine_.ReadAheadThread();
  if (destUnderWay && names.size() >= kAwaitedReadingMinimum && readAhead && readAhead->FoundWarm()) {
    sourceFacts_.LookAt(names);
    destReading = destinations_->Await(levelDir_);
  }
  // The destination as the reader read it, while it still stands so: its
  // looks leave only the names it did not look at to be looked at here.
  const bool adopted = destReading && destReading->stamp == destDir_.ChangeStamp();
  if (adopted) destFacts_.Adopt(std::move(destReading->listing));
  destReading.reset();
  // The cleanup lists the destination anyway; listed before the copies, it
  // also answers for the names the destination lacks.
  const bool listDest = !adopted && engine_.Job().cleanupDestination && sourceDir_.valid();
  // The destination's share goes to the second thread while the walk reads
  // the source's; a small level, or one already read, is read here at once,
  // as handing it over takes longer than reading it.
  const bool handOver = !adopted && names.size() >= kSharedReadingMinimum;
  SharedReading destShare(handOver ? engine_.ReadAheadThread() : nullptr, [&] {
    if (listDest) destFacts_.List();
    destFacts_.LookAt(names);
  });
  sourceFacts_.LookAt(names);
  destShare.Settle();
  if (destShare.Failed()) destFacts_.Clear();
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
    engine_.AddLogLine("Renamed \"" + folder + there->second + "\" to \"" + folder + name + "\"");
  } else {
    engine_.AddFailureLine("Renaming \"" + folder + there->second + "\" to \"" + folder + name +
                           "\" failed, errorcode: " + std::to_string(err));
  }
  destFacts_.Changed(there->second);
  destFacts_.Changed(name);
  there->second = name;
  return {};
}

void FolderLevel::ReportTwin(const std::string& name, const std::string& first) {
  // Nothing is copied: the copy would take the first one's place.
  const std::string source = levelDir_ + name;
  engine_.Update([](RunProgress& progress, RunCounts&) { ++progress.checked; });
  if (engine_.Settings().extendedLog) {
    engine_.AddLogLine("File ... .C.. code " + std::to_string(platform::kErrExists) + " " + source + " -> " +
                       destLevelDir_ + name);
  }
  engine_.AddFailureLine("File \"" + source + "\" could not be copied: \"" + levelDir_ + first + "\"" +
                         kTwinReason);
}

void FolderLevel::OpenLevel(const std::string& dir) {
  levelDir_ = dir;
  destLevelDir_ = MapToDestination(engine_, dir);
  engine_.WalkIsAt(depth_);
  foldCase_ = engine_.Job().destinationIgnoresCase;
  sourceFacts_.StopWhen(&engine_.StopFlag());
  destFacts_.StopWhen(&engine_.StopFlag());
  destFacts_.IgnoreCase(foldCase_);
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
}

void FolderLevel::CloseLevel() {
  if (!parent_) {
    destinations_ = nullptr;
    ownDestinations_.reset();
  }
  sourceFacts_.Clear();
  destFacts_.Clear();
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
  engine_.Update([](RunProgress& progress, RunCounts&) { ++progress.checked; });
  TransferDecision decision = DecideOnLooks(name);
  bool stays = true;
  if (decision.deleteSource) {
    // Only while the server still lacks it: a file of that name put there
    // meanwhile keeps the client's, for the next run.
    const int err = destDir_.EntryError(name) == platform::kErrNotFound ? sourceDir_.RemoveFile(name)
                                                                        : platform::kErrExists;
    if (err == 0 || err == platform::kErrNotFound) {
      stays = false;
      if (err == 0) engine_.Update([](RunProgress&, RunCounts& counts) { ++counts.sourceDeleted; });
    } else {
      decision.code = err;
    }
    sourceFacts_.Changed(name);
  }
  if (decision.clearDestinationMark) ClearArchive(destFacts_, name);
  if (decision.clearSourceMark) ClearArchive(sourceFacts_, name);

  // Most files need no line and no copy: their paths are made only when one
  // does.
  if (decision.copy || engine_.Settings().extendedLog || decision.code != 0) {
    const auto file = std::make_shared<FileTransfer>();
    file->status = std::move(decision.status);
    file->sourceFile = levelDir_ + name;
    file->destFile = destLevelDir_ + name;
    file->code = decision.code;
    if (decision.copy) {
      CopyInLevel(name, file, decision.markServer, decision.markClient, decision.deleteAfterCopy);
    } else {
      ReportFile(engine_, *file);
    }
  }
  return stays;
}

TransferDecision FolderLevel::DecideOnLooks(const std::string& name) {
  SourceSide source;
  source.age = sourceFacts_.FileAge(name, &source.size);
  DestinationSide dest;
  const auto lookAtDestination = [&] {
    dest.age = destFacts_.FileAge(name, &dest.size);
    // Why the destination has no file matters only where it has none.
    if (dest.age != -1) return;
    dest.error = destFacts_.EntryError(name);
    dest.folder = dest.error == 0 && destFacts_.DirectoryExists(name);
    if (!destDir_.valid() && destDir_.error() != platform::kErrNotFound) dest.folderError = destDir_.error();
  };
  lookAtDestination();
  for (;;) {
    TransferDecision decision = Decide(engine_.Job(), source, dest);
    switch (decision.look) {
      case TransferDecision::Look::Enough:
        return decision;
      case TransferDecision::Look::DestinationAgain:
        if (destFacts_.LookAgain(name)) lookAtDestination();
        dest.fresh = true;
        break;
      case TransferDecision::Look::SourceAgain:
        sourceFacts_.Changed(name);
        source.archive = (sourceFacts_.GetAttributes(name) & Archive) != 0;
        source.fresh = true;
        break;
    }
  }
}

void FolderLevel::CopyInLevel(const std::string& name, const std::shared_ptr<FileTransfer>& file,
                              bool markServer, bool markClient, bool deleteAfterCopy) {
  int code = 0;
  platform::PendingCopy copy;
  try {
    const bool destWasThere = destDir_.valid();
    code = EnsureDestination();
    // A folder the pass has just made holds nothing but what the pass
    // copies into it: its facts need no reading.
    if (code == 0 && !destWasThere && madeNow_ && !destFacts_.on()) {
      destFacts_.Begin(engine_.ReadAheadEnabled());
      destFacts_.Complete();
    }
    // A copy killed on a file system without unnamed files leaves its
    // temporary where it was copying; the next run copies that file again
    // and clears them away. The cleanup does so anyway where it is on.
    if (code == 0 && !temporariesCleared_ && !engine_.Job().cleanupDestination) {
      temporariesCleared_ = true;
      RemoveStaleTemporaries(destDir_);
    }
    if (code == 0) {
      // What the pass has looked at need not be looked at again.
      platform::EntryFacts source, dest;
      const bool known = sourceFacts_.Known(name, source) && destFacts_.Known(name, dest);
      destFacts_.Changed(name);
      const auto goesOn = [this](int64_t copied, int64_t size) { return engine_.CopyGoesOn(copied, size); };
      const auto prepare = [&] {
        return known ? platform::PrepareCopy(sourceDir_, name, source, destDir_, name, dest, markServer,
                                             goesOn, code)
                     : platform::PrepareCopy(sourceDir_, name, destDir_, name, markServer, goesOn, code);
      };
      copy = prepare();
      // Where something else has taken the descriptors the batches were
      // sized for, the waiting copies give theirs back first.
      if (code == platform::kErrTooManyOpen && engine_.Copies().Waiting()) {
        engine_.Copies().Complete();
        copy = prepare();
      }
      engine_.Update([](RunProgress& progress, RunCounts&) { progress.fileDone = progress.fileSize = 0; });
    }
  } catch (...) {
    copy.Discard();
    file->status[status::kFailAt] = 'R';
    code = CodeOfCurrentException();
  }
  if (code != 0) {
    // A copy that was not made is not compared either.
    file->code = code;
    ReportFile(engine_, *file);
    return;
  }

  // The copy's folder outlives the level only while copies wait for it.
  if ((engine_.Job().verify || markClient || deleteAfterCopy) && !heldSource_) {
    heldSource_ = std::make_shared<platform::DirHandle>(sourceDir_.Reopen());
  }
  const std::shared_ptr<platform::DirHandle> source = heldSource_;
  CopyBatch::SourceReader reader;
  if (engine_.Job().verify) reader = [source, name] { return platform::FileReader(*source, name); };
  if (engine_.Job().verify) file->levelVerifyError = levelVerifyError_;
  const platform::CopiedState copied = copy.copied();
  RunContext& engine = engine_;
  engine_.Copies().Add(
      std::move(copy), std::move(reader),
      [&engine, file, source, name, copied, markClient, deleteAfterCopy](const CopyBatch::Outcome& outcome) {
        file->code = outcome.code;
        if (outcome.differs) file->status[status::kVerifyAt] = 'E';
        if (outcome.threw) file->status[status::kFailAt] = 'R';
        if (outcome.code == 0 && !outcome.differs) {
          engine.Update([size = copied.size](RunProgress& progress, RunCounts& counts) {
            ++counts.copied;
            progress.bytesCopied += size;
          });
          // The client's mark says what was copied; a file
          // changed during its copy keeps its mark set.
          if (markClient) file->code = source->ClearArchiveAsCopied(name, copied);
          if (deleteAfterCopy) file->code = DeleteCopiedSource(engine, *source, name, copied);
        }
        ReportFile(engine, *file);
      });
}

}  // namespace tandrel
