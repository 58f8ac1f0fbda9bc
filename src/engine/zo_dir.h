#pragma once
// One level of a job's source tree: the walk of its subdirectories and files,
// the decision and copy for each file, and the level's summary line.

#include <cstdint>
#include <string>
#include <utility>

#include "engine/level_facts.h"
#include "engine/read_ahead.h"
#include "platform/paths.h"
#include "platform/platform.h"

namespace tandrel {

class TfMainBase;

class ZO_Dir {
 public:
  explicit ZO_Dir(TfMainBase& main) : main_(main) {}

  // Walks `directory` (with or without a trailing "/") for files matching
  // `mask`; returns how many entries are left in it as far as the walk can
  // tell (0 means the directory counts as empty).
  int32_t SyncDir(const std::string& directory, const std::string& mask);
  // Copies SourceFile to DestFile and verifies when the job asks for it.
  // Returns 0 or the platform's error code of the failed copy.
  int32_t CopyAndVerify();

  bool VerifyError = false;
  std::string SourceFile;
  std::string DestFile;
  std::string Status;

 private:
  // The level of the subfolder `name` of `parent`: its folders are reached
  // through the parent's open folders, never through a path.
  ZO_Dir(TfMainBase& main, ZO_Dir& parent, std::string name)
      : main_(main), parent_(&parent), name_(std::move(name)) {}

  // Opens the source and destination folders of the level `dir` (ending in
  // "/"): a top level by its path, a subfolder's level through its parent.
  void OpenLevel(const std::string& dir);
  void CloseLevel();
  // Whether `path` is a file of the level whose folders are open.
  bool InLevel(const std::string& path) const;
  // Runs `step` with the name of the file `path` in its level's open
  // folders: the walk's, or, for a file handed over from outside a walk,
  // its folders opened by path for this one call.
  template <typename Step>
  int32_t WithLevelOf(const std::string& path, Step step) {
    if (InLevel(path)) return step(path.substr(levelDir_.size()));
    OpenLevel(platform::ParentFolder(path));
    const int32_t result = step(platform::LastComponent(path));
    CloseLevel();
    return result;
  }
  // Reads what the level's pass will ask about both folders, the
  // destination's share on the second thread; `early`, when given, has read
  // that share already or is reading it.
  void ReadPassFacts(const std::string& mask, SharedReading* early);
  int32_t TransferInLevel(const std::string& name);
  int32_t CopyAndVerifyInLevel(const std::string& name);
  // Makes sure the level's destination folder exists and is open, creating
  // missing folders up from the nearest existing one. 0, or the error that
  // the level's copies then report (a link there is refused, never followed).
  int EnsureDestination();

  TfMainBase& main_;
  ZO_Dir* parent_ = nullptr;
  std::string name_;      // this level's folder name in its parent
  std::string levelDir_;  // the level's source folder, ending in "/", while open
  platform::DirHandle sourceDir_;
  platform::DirHandle destDir_;
  // What the level's pass asks about its folders (see level_facts.h).
  FolderFacts sourceFacts_{sourceDir_};
  FolderFacts destFacts_{destDir_};
};

// Maps a path below JobSource onto JobDestination.
std::string MapToDestination(const TfMainBase& main, const std::string& sourcePath);

}  // namespace tandrel
