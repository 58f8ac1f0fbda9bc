#pragma once
// What a file system implements behind platform.h: the platform's real one
// (posix/, win32/) and the preview, which plans changes over another one.
// The handles of platform.h hold these and forward to them; the path
// operations go to the file system in force on the calling thread.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace tandrel::platform {

class FolderOps {
 public:
  virtual ~FolderOps() = default;
  virtual bool valid() const = 0;
  virtual int error() const = 0;
  // A subfolder, never through a link; an invalid one carries the error.
  virtual std::unique_ptr<FolderOps> OpenSub(const std::string& name) const = 0;
  // A second handle for another thread that reads ahead (in a preview, onto
  // the real folder beneath the plan).
  virtual std::unique_ptr<FolderOps> Duplicate() const = 0;
  // A second handle on the same folder of this same file system (in a
  // preview, onto the plan as well), for work that outlives the first.
  virtual std::unique_ptr<FolderOps> Reopen() const { return Duplicate(); }

  virtual EntryFacts LookAt(const std::string& name) const = 0;
  // The archive bit of a regular file whose look did not tell it.
  virtual bool ArchiveOf(const std::string& name, const EntryFacts& facts) const = 0;
  virtual int SetAttributes(const std::string& name, uint32_t attributes) const = 0;

  // Deletes an entry that is no folder; the program's refusals (read-only
  // files, folders) are made before the call.
  virtual int RemoveFile(const std::string& name) const = 0;
  virtual int RemoveFolder(const std::string& name) const = 0;
  virtual int Rename(const std::string& from, const std::string& to) const = 0;
  // With `mayProbe`, a temporary may be made and removed to find out;
  // otherwise only what is there is looked at.
  virtual bool IgnoresCase(bool mayProbe) const = 0;
  virtual int MakeFolder(const std::string& name) const = 0;
  // 0 when entries may be made and removed here, otherwise the code such a
  // change would get (no right to write, a read-only file system).
  virtual int MayChange() const = 0;
  // Copies the regular file `name` towards `destName` in `dest`, a folder of
  // the same file system, as PrepareCopy does once its refusals are made;
  // null with `error` set when it cannot.
  virtual std::unique_ptr<PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                        const std::string& destName, bool synchronised,
                                                        const CopyProgress& progress, int& error) const = 0;
  // Clears the archive attribute of the file `name` as the copy `copied`
  // found it: when the file has changed since, nothing is marked and the
  // answer is kErrChanged. This default looks and then marks; a platform
  // whose mark names the state it describes marks exactly that state.
  virtual int ClearArchiveAsCopied(const std::string& name, const CopiedState& copied) const;

  // The entries whose names match `mask`, "." and ".." aside.
  virtual std::unique_ptr<SearchOps> Search(const std::string& mask) const = 0;
  // See DirHandle::ChangeStamp; this default never tells.
  virtual uint64_t ChangeStamp() const { return 0; }
  // The regular file `name` for reading; null with `error` set when it
  // cannot be opened (kErrNotRegularFile for anything but a file).
  virtual std::unique_ptr<ReaderOps> OpenFile(const std::string& name, int& error) const = 0;
};

class SearchOps {
 public:
  virtual ~SearchOps() = default;
  // The next entry; false at the end or on an error (error() tells which).
  virtual bool Next(FindEntry& entry) = 0;
  virtual int error() const = 0;
};

class ReaderOps {
 public:
  virtual ~ReaderOps() = default;
  // As FileReader::ReadBlock; -1 with `error` set on a read error.
  virtual int64_t ReadBlock(char* buffer, size_t size, int& error) = 0;
};

class PendingCopyOps {
 public:
  virtual ~PendingCopyOps() = default;
  virtual CopiedState copied() const = 0;
  // Copies that answer the same non-zero key share one flush.
  virtual uint64_t FlushKey() const = 0;
  // Puts the copy's data, and the folder entry once published, on the disk;
  // for a shared key, everything written on that file system.
  virtual int Flush() const = 0;
  // As PendingCopy::ReadBack: null with `error` set when it cannot be read.
  virtual std::unique_ptr<ReaderOps> ReadBack(int& error) const = 0;
  // A look at the entry the copy is to be named as, taken now.
  virtual EntryFacts LookAtDestination() const = 0;
  // Gives the copy its name: with `replace`, over what stands there;
  // otherwise only where nothing does, kErrExists where something does.
  virtual int Publish(bool replace) = 0;
};

class LogFileOps {
 public:
  virtual ~LogFileOps() = default;
  virtual int Write(const char* data, size_t size) = 0;
  // Puts what was written on the disk.
  virtual int Flush() = 0;
};

class RunLockOps {
 public:
  virtual ~RunLockOps() = default;
  virtual RunLockState state() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // A folder by its path, links followed; an invalid one carries the error.
  virtual std::unique_ptr<FolderOps> OpenFolder(const std::string& path) const = 0;
  virtual bool DirectoryExists(const std::string& path, bool followLinks) const = 0;
  virtual bool ResolvePath(const std::string& path, std::string& resolved) const = 0;
  virtual bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) const = 0;
  virtual bool FolderWithin(const std::string& inner, const std::string& outer) const = 0;
  virtual int CreateDirectories(const std::string& path) const = 0;
  virtual void EnsureDirectory(const std::string& path) const = 0;
  virtual std::unique_ptr<ReaderOps> OpenFile(const std::string& path, int& error) const = 0;
  // Null when the file cannot be had; `append` opens only an existing one.
  virtual std::unique_ptr<LogFileOps> OpenLogFile(const std::string& path, bool append) const = 0;
  virtual std::unique_ptr<RunLockOps> LockRun(const std::string& configPath) const = 0;
  // What a run of `configPath` would find at its lock now (Free where it
  // could take it), found without taking it and without making a lock file.
  virtual RunLockState LookAtRunLock(const std::string& configPath) const = 0;
  virtual int WriteFileAtomic(const std::string& path, const std::string& content) const = 0;
};

// The attribute bits of the entry `facts` describe, with the archive state
// read from `folder` where the look did not tell it.
uint32_t FullAttributes(const FolderOps& folder, const std::string& name, const EntryFacts& facts);

// The platform's own file system.
const FileSystem& RealFileSystem();
// The file system in force on this thread: the real one, unless a scope
// has put another in its place.
const FileSystem& CurrentFileSystem();

// Puts `fileSystem` in force on this thread while it lives; scopes nest.
class FileSystemScope {
 public:
  explicit FileSystemScope(const FileSystem& fileSystem);
  ~FileSystemScope();
  FileSystemScope(const FileSystemScope&) = delete;
  FileSystemScope& operator=(const FileSystemScope&) = delete;

 private:
  const FileSystem* previous_;
};

}  // namespace tandrel::platform
