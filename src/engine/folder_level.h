#pragma once
// One level of a job's source tree: the walk of its subdirectories and files,
// the decision and copy for each file, and the level's summary line.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/after_copy.h"
#include "engine/level_reader.h"
#include "engine/transfer_decision.h"
#include "platform/copies.h"
#include "platform/folders.h"

namespace tandrel {

class RunContext;
struct RunningJob;

class FolderLevel {
 public:
  explicit FolderLevel(RunContext& run);

  // Walks `directory` (with or without a trailing "/") by the job's walk
  // rules; returns how many entries are left in it as far as the walk can
  // tell (0 means the directory counts as empty).
  int32_t SyncDir(const std::string& directory);

 private:
  // The level of the subfolder `name` of `parent`: its folders are reached
  // through the parent's open folders, never through a path.
  FolderLevel(FolderLevel& parent, std::string name);

  // Lists the level's source folder (its facts kept for the pass where the
  // listing still stands): the subfolders to walk, the entries counted.
  std::vector<std::string> ListLevel(int32_t& remaining, int& readError);
  // Walks the subfolders, removing those left empty where the job says so.
  void WalkSubfolders(const std::vector<std::string>& subfolders, int32_t& dirs, int32_t& remaining);
  // The level's own pass over its files.
  void PassOverFiles(int32_t& files, int32_t& remaining, int& readError);

  // Opens the source and destination folders of the level `dir` (ending in
  // "/"): a top level by its path, a subfolder's level through its parent.
  void OpenLevel(const std::string& dir);
  void CloseLevel();
  // Where the destination ignores letter case: the source name that came
  // first in the listing with the same name in another case, or "" for the
  // first itself (whose destination entry then takes its spelling).
  std::string TwinOf(const std::string& name);
  // The failure of a file left alone as the twin of `first`.
  void ReportTwin(const std::string& name, const std::string& first);
  // Decides the level's file `name` and carries the decision out; false
  // when the file is gone from the source (a client's file deleted).
  bool TransferFile(const std::string& name);
  // The decision on the level's looks, each side looked at again where a
  // write would rest on an earlier look.
  TransferDecision DecideOnLooks(const std::string& name);
  // Copies the level's file `name`; the copy joins the run's batch, and its
  // line and marks follow when the batch is done. A server's copy is made
  // with its archive attribute clear; a client's source is marked as copied,
  // or deleted once its copy stands (a server's copy of a client's file).
  void CopyInLevel(const std::string& name, FileTransfer file, bool markServer, bool markClient,
                   bool deleteAfterCopy);
  // Makes sure the level's destination folder exists and is open, creating
  // missing folders up from the nearest existing one. 0, or the error that
  // the level's copies then report (a link there is refused, never followed).
  int EnsureDestination();

  RunContext& run_;
  const RunningJob& job_;
  FolderLevel* parent_ = nullptr;
  std::string name_;          // this level's folder name in its parent
  int depth_ = 0;             // folders below the job's From folder
  std::string levelDir_;      // the level's source folder, ending in "/", while open
  std::string destLevelDir_;  // its destination folder, likewise
  platform::DirHandle sourceDir_;
  platform::DirHandle destDir_;
  // What the level knows of its folders, and when it reads them.
  LevelReader reader_;
  // The source folder again, for copies that still need it once the level
  // is done (verified, or marked as copied).
  std::shared_ptr<platform::DirHandle> heldSource_;
  std::shared_ptr<bool> levelVerifyError_ = std::make_shared<bool>(false);
  // Where the destination ignores letter case: the source's names by their
  // folded form, the first of each; the destination's entries likewise.
  bool foldCase_ = false;
  std::unordered_map<std::string, std::string> sourceSpelling_;
  std::unordered_map<std::string, std::string> destSpelling_;
  bool destSpellingRead_ = false;
  bool temporariesCleared_ = false;  // in the destination folder, this level
  bool madeNow_ = false;             // the destination folder, by this level
};

}  // namespace tandrel
