#pragma once
// The plan of a preview: what a run would have changed, kept per folder, and
// the preview's versions of the operations of this layer, which answer from
// that plan over the real tree. Each operation asks Active() first and,
// during a preview on its thread, hands over to its version here.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tandrel::platform::posix {

// What a DirHandle keeps for the preview, reached only from here.
struct PreviewAccess {
  static const std::string& Path(const DirHandle& h) { return h.path_; }
  static bool Planned(const DirHandle& h) { return h.planned_; }
  static void Set(DirHandle& h, int fd, int error, std::string path, bool planned) {
    h.fd_ = fd;
    h.error_ = error;
    h.path_ = std::move(path);
    h.planned_ = planned;
  }
};

namespace preview {

bool Active();

// Opening folders: by path (links followed, as for a job's own folders) and
// below an open folder (a link refused with ENOTDIR).
DirHandle Open(const std::string& path);
DirHandle OpenSub(const DirHandle& parent, const std::string& name);
DirHandle Duplicate(const DirHandle& dir);

int64_t FileAge(const DirHandle& dir, const std::string& name);
int EntryError(const DirHandle& dir, const std::string& name);
bool FileExists(const DirHandle& dir, const std::string& name);
bool DirectoryExists(const DirHandle& dir, const std::string& name);
uint32_t GetAttributes(const DirHandle& dir, const std::string& name, int* error);
int SetAttributes(const DirHandle& dir, const std::string& name, uint32_t attributes);
bool Identity(const DirHandle& dir, const std::string& name, uint64_t& device, uint64_t& inode);
int DeleteFile(const DirHandle& dir, const std::string& name);
int DeleteStaleTemporary(const DirHandle& dir, const std::string& name);
int RemoveDirectory(const DirHandle& dir, const std::string& name);
int CreateDirectory(const DirHandle& dir, const std::string& name);
int CopyFile(const DirHandle& sourceDir, const std::string& sourceName, const DirHandle& destDir,
             const std::string& destName);

// Every entry of the folder as the run would find it ("." and ".." aside):
// the real ones in listing order, then those the plan adds. 0 or the error
// of the listing.
int List(const DirHandle& dir, std::vector<FindEntry>& entries);
// Where the bytes of the file `name` are: `path` is left empty for the real
// file in the folder, or names the file whose copy the plan holds there.
// 0 or the error of opening it.
int ContentOf(const DirHandle& dir, const std::string& name, std::string& path);

// The path operations.
bool DirectoryExists(const std::string& path, bool followLinks);
bool Identity(const std::string& path, uint64_t& device, uint64_t& inode);
bool ResolvePath(const std::string& path, std::string& resolved);
int CreateDirectories(const std::string& path);
// The open parent folder of `path` and the entry's name in it.
DirHandle OpenParent(const std::string& path, std::string& name);

// Whether another run holds the lock of `configPath`, found without taking it
// and without creating a lock file.
bool LockBusy(const std::string& configPath);

}  // namespace preview
}  // namespace tandrel::platform::posix
