#pragma once
// Folders held open, their entries and searches, the same questions by
// path, and files read in blocks.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/entries.h"

namespace tandrel::platform {

// ---- Folders ----------------------------------------------------------------

class FolderOps;
class SearchOps;
class ReaderOps;

// An open folder of a job's tree. Below a job's own From and To folders
// everything is reached through these, relative to the parent folder: a
// link is never followed for reading, writing or removing, and no path is
// resolved again from the root between a decision and its action. Names are
// single entries of the folder (no separator). An invalid handle (the folder
// could not be opened) answers every question as if the entry were missing
// and refuses every change with the error of the failed open.
class DirHandle {
 public:
  DirHandle();
  // Opens a folder by its path; links in the path, the last one included,
  // are followed: only for a job's own folders and direct callers.
  explicit DirHandle(const std::string& directory);
  // Opens the subfolder `name` of `parent`. A link there is refused with
  // kErrNotADirectory, never followed; so is anything else that is no folder.
  DirHandle(const DirHandle& parent, const std::string& name);
  // A folder a file system has opened (see platform/file_system.h).
  explicit DirHandle(std::unique_ptr<FolderOps> ops);
  ~DirHandle();
  DirHandle(DirHandle&& other) noexcept;
  DirHandle& operator=(DirHandle&& other) noexcept;
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;

  bool valid() const;
  // Why the folder could not be opened; 0 for a valid handle.
  int error() const;

  // One look at an entry, and the questions it answers.
  EntryFacts LookAt(const std::string& name) const;
  // The full attribute bits of the entry `facts` describe: the archive
  // state read where the look did not tell it. kInvalidAttributes for a
  // missing entry.
  uint32_t AttributesOf(const std::string& name, const EntryFacts& facts) const;
  int64_t FileAge(const std::string& name) const;
  bool FileExists(const std::string& name) const;  // exists and is no folder
  bool DirectoryExists(const std::string& name) const;
  // The attribute bits, or kInvalidAttributes with *error set when the entry
  // cannot be examined. A file the caller may not read reads as archive.
  uint32_t GetAttributes(const std::string& name, int* error = nullptr) const;
  // Writes read-only and archive back; the other bits follow from the file
  // itself. A folder takes neither (0); a link or special file is refused
  // with kErrAccessDenied. A caller who may not change the file gets the
  // platform's refusal and nothing changes. On a file system that cannot
  // keep the archive state it stays set, and that is no error. 0 or the code.
  int SetAttributes(const std::string& name, uint32_t attributes) const;
  // Clears the archive attribute of the file `name` as a copy took it
  // (FolderOps::ClearArchiveAsCopied): kErrChanged when it has changed since.
  int ClearArchiveAsCopied(const std::string& name, const CopiedState& copied) const;
  bool Identity(const std::string& name, uint64_t& device, uint64_t& inode) const;
  // 0 when the entry `name` can be examined (whatever it is), kErrNotFound
  // when it is missing, otherwise why it cannot be examined (a folder that
  // may not be searched): what tells a missing file from an unknown one.
  int EntryError(const std::string& name) const;

  // Deletes a file or a link (never its target); refuses read-only files and
  // folders with kErrAccessDenied. 0 or the error code.
  int RemoveFile(const std::string& name) const;
  // Deletes `name` when it is a stale temporary (IsStaleTemporary) and a
  // regular file, read-only or not; anything else is refused with
  // kErrAccessDenied. 0 or the error code.
  int RemoveStaleTemporary(const std::string& name) const;
  // Removes an empty subfolder; a link is refused with kErrNotADirectory.
  int RemoveFolder(const std::string& name) const;
  // Gives the entry `from` the name `to` (a file, a link itself, or a
  // folder), replacing nothing: what stands at `to` already, other than
  // `from` itself under another letter case, refuses with kErrExists.
  // 0 or the error code.
  int Rename(const std::string& from, const std::string& to) const;
  // Whether names here are found whatever their letter case (FAT, exFAT,
  // NTFS, many network shares): found out by a look, at most once per call.
  bool IgnoresCase() const;
  // Creates the subfolder `name` (one level). 0 or the error code.
  int MakeFolder(const std::string& name) const;
  // A value that stays the same while no entry is added to the folder,
  // removed or renamed, and differs once one is; 0 where that cannot be
  // told (a folder changed a moment ago, a file system that does not say).
  // Two equal stamps other than 0 say that a listing taken between them
  // still stands.
  uint64_t ChangeStamp() const;
  // A second handle on the same folder, for another thread that reads ahead
  // (in a preview it reads the real folder, never the plan).
  DirHandle Duplicate() const;
  // A second handle on the same folder for work that outlives this one (in a
  // preview it sees the plan too).
  DirHandle Reopen() const;

  // The file system's side of the handle; null for a default handle.
  const FolderOps* ops() const { return ops_.get(); }

 private:
  std::unique_ptr<FolderOps> ops_;
};

// One open wildcard search over one folder. An entry is returned when its
// name matches the mask and it is neither hidden, system nor directory, or
// one of those it is lies in `attributeSet`. Entries come in file-system
// order. A folder that cannot be listed, or whose listing breaks off,
// yields no more entries; error() tells why (never an end of the folder).
class DirSearch {
 public:
  // `pattern` is the folder's path (ending in the separator) followed by
  // the mask; a link in the path is followed.
  DirSearch(const std::string& pattern, uint32_t attributeSet);
  DirSearch(const DirHandle& directory, const std::string& mask, uint32_t attributeSet);
  ~DirSearch();
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  bool Next(FindEntry& entry);
  int error() const;

 private:
  void Start(const DirHandle& directory, const std::string& mask);
  std::unique_ptr<SearchOps> impl_;
  uint32_t attributeSet_;
  int error_ = 0;
};

// ---- Path operations -------------------------------------------------------

// What the operations of DirHandle answer, for a path: its folder opened
// (links followed) and the last component asked about.
uint32_t GetAttributes(const std::string& path, int* error = nullptr);
int SetAttributes(const std::string& path, uint32_t attributes);
int RemoveFile(const std::string& path);
// A real directory; with followLinks a link to a directory counts too (used
// only for a job's own top directories, never inside a tree).
bool DirectoryExists(const std::string& path, bool followLinks = false);
// The absolute path with "..", "." and links resolved; false when it cannot be.
bool ResolvePath(const std::string& path, std::string& resolved);
// Device and inode of what the path names (links followed).
bool Identity(const std::string& path, uint64_t& device, uint64_t& inode);
// Whether the folder `inner` is the folder `outer` or lies below it, by file
// identity rather than by the text of a path: some ancestor of `inner` is
// `outer` itself, or both lie in one file system, reached through a bind
// mount or a second mount, with `inner` at or below `outer` there. False
// when either cannot be examined.
bool FolderWithin(const std::string& inner, const std::string& outer);
int CreateDirectories(const std::string& path);  // with missing parents; 0 or error
// Makes sure a folder exists, as cheaply as possible when it already does;
// the result is not reported.
void EnsureDirectory(const std::string& path);

// ---- Reading a file in blocks ---------------------------------------------

// A regular file open for reading from its start, closed with the object.
// Opening never blocks, not even on a special file standing at the path.
class FileReader {
 public:
  explicit FileReader(const std::string& path);
  // The file `name` of an open folder; a link there is refused, never followed.
  FileReader(const DirHandle& dir, const std::string& name);
  // A file a file system has opened, or why it could not.
  FileReader(std::unique_ptr<ReaderOps> ops, int error);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // True when the file could be opened (and is a regular file).
  bool valid() const { return ops_ != nullptr; }
  // 0, or why the file could not be opened (the error code or
  // kErrNotRegularFile), or why the last read failed.
  int error() const { return error_; }
  // Fills `buffer` with the next `size` bytes, reading on after short reads,
  // so fewer than `size` bytes come back only at the end of the file. Returns
  // the number of bytes read, or -1 on a read error (error() tells which).
  int64_t ReadBlock(char* buffer, size_t size);

 private:
  std::unique_ptr<ReaderOps> ops_;
  int error_ = 0;
};

}  // namespace tandrel::platform
