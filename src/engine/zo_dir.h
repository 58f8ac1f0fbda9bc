#pragma once
// One level of a job's source tree: the walk of its subdirectories and files,
// the decision and copy for each file, and the level's summary line.

#include <cstdint>
#include <string>

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
  // Decides and performs the transfer of one source file below JobSource.
  // Returns 0 when the source file was deleted, 1 otherwise.
  int32_t SyncFile(const std::string& path);
  // Copies SourceFile to DestFile and verifies when the job asks for it.
  // Returns 0 or the platform's error code of the failed copy.
  int32_t CopyAndVerify();

  bool VerifyError = false;
  std::string SourceFile;
  std::string DestFile;
  std::string Status;

 private:
  TfMainBase& main_;
  std::string ensuredDestDir_;  // destination folder already created at this level
  // During the file pass: the level's folder and its source and destination
  // folders held open, so that each file's ages are looked up by name.
  std::string levelDir_;
  platform::DirHandle sourceDir_;
  platform::DirHandle destDir_;
};

// Maps a path below JobSource onto JobDestination.
std::string MapToDestination(const TfMainBase& main, const std::string& sourcePath);

}  // namespace tandrel
