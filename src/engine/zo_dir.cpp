#include "engine/zo_dir.h"

#include "engine/main_base.h"
#include "engine/paths.h"
#include "engine/zo_cleanup.h"
#include "platform/platform.h"
#include "support/raridivevi.h"

namespace tandrel {
namespace {

using platform::attr::Archive;

constexpr const char* kFreshStatus = "File ... ....";
// Zero-based indexes of the status letters.
constexpr size_t kModeAt = 5;     // "A" always, "D" newer
constexpr size_t kServerAt = 6;   // "S"
constexpr size_t kClientAt = 7;   // "C"
constexpr size_t kNewAt = 9;      // "N"
constexpr size_t kActionAt = 10;  // "C" copied, "D" source deleted
constexpr size_t kVerifyAt = 11;  // "E"
constexpr size_t kFailAt = 12;    // "R"

// Removes the archive attribute, leaving the others as they are. Nothing is
// written when the attributes cannot be read or the bit is already clear.
void ClearArchive(const std::string& path) {
  const uint32_t a = platform::GetAttributes(path);
  if (a == platform::kInvalidAttributes || (a & Archive) == 0) return;
  platform::SetAttributes(path, a & ~Archive);
}

size_t SourcePrefixLength(const TfMainBase& main) {
  const std::string& s = main.JobSource;
  return !s.empty() && s.back() == '/' ? s.size() - 1 : s.size();
}

}  // namespace

std::string MapToDestination(const TfMainBase& main, const std::string& sourcePath) {
  return main.JobDestination + sourcePath.substr(SourcePrefixLength(main));
}

int32_t ZO_Dir::SyncDir(const std::string& directory, const std::string& mask) {
  VerifyError = false;
  int32_t files = 0, dirs = 0, remaining = 0;
  const std::string dir = WithTrailingDelimiter(directory);

  if (main_.JobIncludeSubDirs) {
    // The search stays open while each subdirectory is walked: one open
    // search per level of depth.
    platform::DirSearch search(dir + "*.*", platform::attr::All);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (entry.name[0] == '.') continue;
      ++remaining;
      if (!entry.isDirectory) continue;
      const std::string sub = dir + entry.name;
      if (main_.SkipDestination) {
        uint64_t device, inode;
        if (platform::Identity(sub, device, inode) && device == main_.SkipDevice && inode == main_.SkipInode) {
          continue;  // the job's own destination: never walked, never removed
        }
      }
      int32_t r;
      {
        ZO_Dir child(main_);
        r = child.SyncDir(sub, mask);
      }
      if (r != 0) {
        ++dirs;
      } else if (main_.JobDeleteEmptySubDirs) {
        const int err = platform::RemoveDirectory(sub);
        if (StillThere(sub, err)) {
          main_.AddLogLine("Dir \"" + sub + "\" not removed, errorcode: " + std::to_string(err));
        } else {
          main_.AddLogLine("Dir " + sub + " removed (was empty)");
          --remaining;
        }
      }
    }
  }

  {
    levelDir_ = dir;
    sourceDir_ = platform::DirHandle(dir);
    destDir_ = platform::DirHandle(MapToDestination(main_, dir));
    platform::DirSearch search(dir + mask, platform::attr::ReadOnly | Archive);
    platform::FindEntry entry;
    while (search.Next(entry)) {
      if (entry.name[0] == '.' || entry.isDirectory) continue;
      ++files;
      if (SyncFile(dir + entry.name) == 0) --remaining;
    }
    levelDir_.clear();
    sourceDir_ = {};
    destDir_ = {};
  }

  if (main_.JobCleanupDestination) CleanUpDestinationLevel(main_, dir, mask);

  main_.AddLogLine("Dir " + dir + " - " + std::to_string(files) + " files and " + std::to_string(dirs) +
                   " directories synchronised");
  if (VerifyError) main_.AddLogLine("    VERIFYERROR, check userrights and/or fileattributes");
  return remaining;
}

int32_t ZO_Dir::SyncFile(const std::string& path) {
  Status = kFreshStatus;
  SourceFile = path;
  DestFile = MapToDestination(main_, path);
  int32_t code = 0;
  int32_t result = 1;

  bool archiveStep = true;
  if (main_.JobAlways) {
    code = CopyAndVerify();
    Status[kModeAt] = 'A';
    Status[kActionAt] = 'C';
  } else {
    // Within the level's file pass the ages come from the open folders; the
    // result is the same as through the full paths.
    const bool inLevel = !levelDir_.empty() && path.size() > levelDir_.size() &&
                         path.compare(0, levelDir_.size(), levelDir_) == 0 &&
                         path.find('/', levelDir_.size()) == std::string::npos;
    const std::string name = inLevel ? path.substr(levelDir_.size()) : std::string();
    const int32_t sourceAge = inLevel && sourceDir_.valid() ? sourceDir_.FileAge(name) : platform::FileAge(SourceFile);
    const int32_t destAge = inLevel && destDir_.valid() ? destDir_.FileAge(name) : platform::FileAge(DestFile);
    if (destAge == -1) {
      archiveStep = false;
      if (main_.JobHandleAsServer) {
        code = CopyAndVerify();
        Status[kServerAt] = 'S';
        Status[kNewAt] = 'N';
        ClearArchive(DestFile);
      }
      if (main_.JobHandleAsClient) {
        Status[kClientAt] = 'C';
        if (platform::DirectoryExists(DestFile)) {
          // The server holds a directory, not a deleted file: the client's
          // file is neither copied nor deleted.
        } else if (platform::GetAttributes(SourceFile) & Archive) {
          code = CopyAndVerify();
          Status[kActionAt] = 'C';
          ClearArchive(SourceFile);
        } else {
          Status[kActionAt] = 'D';
          if (platform::DeleteFile(SourceFile) == 0) result = 0;
        }
      }
      if (!main_.JobHandleAsServer && !main_.JobHandleAsClient) {
        Status[kActionAt] = 'C';
        code = CopyAndVerify();
      }
    } else if (platform::AgeIsNewer(sourceAge, destAge)) {
      code = CopyAndVerify();
      Status[kModeAt] = 'D';
      Status[kActionAt] = 'C';
    }
  }

  if (archiveStep) {
    if (main_.JobHandleAsServer) {
      Status[kServerAt] = 'S';
      ClearArchive(DestFile);
    }
    if (main_.JobHandleAsClient) {
      Status[kClientAt] = 'C';
      ClearArchive(SourceFile);
    }
  }

  if (main_.ExtendedLog) {
    if (Status[kVerifyAt] == 'E') {
      VerifyError = true;
      Status += " VERIFYERROR";
    }
    Status += " code " + std::to_string(code) + " " + SourceFile + " -> " + DestFile;
    main_.AddLogLine(Status);
  }
  return result;
}

int32_t ZO_Dir::CopyAndVerify() {
  int32_t code = 0;
  try {
    const auto slash = DestFile.rfind('/');
    const std::string destDir = slash == std::string::npos ? std::string() : DestFile.substr(0, slash);
    if (destDir != ensuredDestDir_) {
      // A failure is not reported here: the copy then fails with its own code.
      ensuredDestDir_ = platform::CreateDirectories(destDir) == 0 ? destDir : std::string();
    }
    code = platform::CopyFileReplace(SourceFile, DestFile);
    if (code == platform::kErrNotFound) ensuredDestDir_.clear();
    // The first copy of a level may have created its destination folder.
    if (code == 0 && !levelDir_.empty() && !destDir_.valid()) destDir_ = platform::DirHandle(destDir);
    if (main_.JobVerify && !GS_VergelijkBestand(SourceFile, DestFile)) Status[kVerifyAt] = 'E';
  } catch (...) {
    Status[kFailAt] = 'R';
  }
  return code;
}

}  // namespace tandrel
