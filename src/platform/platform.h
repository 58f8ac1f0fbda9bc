#pragma once
// The small layer in place of the Windows API. Every operation that can fail
// returns or reports the platform's own error code (errno on Linux) so that the
// engine can log it; nothing here throws.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace tandrel::platform {

// Attribute bits, with the values the Windows API gives them.
namespace attr {
constexpr uint32_t ReadOnly = 0x01;
constexpr uint32_t Hidden = 0x02;
constexpr uint32_t System = 0x04;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
constexpr uint32_t All = ReadOnly | Hidden | System | Directory | Archive;
}  // namespace attr
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// Error codes the engine compares against or reports.
constexpr int kErrAccessDenied = 13;  // EACCES
constexpr int kErrNotFound = 2;       // ENOENT
constexpr int kErrExists = 17;        // EEXIST

// ---- Enumeration -------------------------------------------------------

class DirHandle;
namespace posix {
struct PreviewAccess;
}

struct FindEntry {
  std::string name;
  bool isDirectory = false;  // a real directory, not a link to one
  bool isSystem = false;     // neither a regular file nor a directory
  bool isHidden = false;     // name begins with "."
};

// One open wildcard search over one directory. `pattern` is the directory path
// (ending in "/") followed by the wildcard name. An entry is returned when it is
// neither hidden, system nor directory, or when one of those it has is in
// `attributeSet`. Entries come in file-system order. A directory that cannot be
// opened yields no entries; error() tells why.
class DirSearch {
 public:
  DirSearch(const std::string& pattern, uint32_t attributeSet);
  // The same search over an open folder, for the entries matching `mask`.
  DirSearch(const DirHandle& directory, const std::string& mask, uint32_t attributeSet);
  ~DirSearch();
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  bool Next(FindEntry& entry);
  int error() const { return error_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int error_ = 0;
};

// Case-insensitive (ASCII) wildcard match: "*" any run, "?" one character;
// "*.*" and "*" match every name.
bool MatchesMask(const std::string& name, const std::string& mask);

// ---- Attributes and file facts ------------------------------------------

// The attribute bits of a path (links are not followed), or kInvalidAttributes
// with *error set when the path cannot be examined. A file the caller may not
// read reads as archive.
uint32_t GetAttributes(const std::string& path, int* error = nullptr);
// Writes read-only and archive back; the other bits follow from the file itself.
// A directory takes neither (0); a link or special file is refused with
// kErrAccessDenied. Changing read-only needs the right to change the file's
// mode (owner or root), otherwise EPERM. Changing archive needs the right to
// write the file; the owner of a file without the owner's write bit gets that
// bit for the instant of the change, and the exact mode is put back. A caller
// with neither right gets kErrAccessDenied. A refused call changes nothing. On
// a file system without user extended attributes archive stays set, and that
// is no error. Returns 0 or the error code.
int SetAttributes(const std::string& path, uint32_t attributes);

// Last-write time as a run compares it: the local time (by the UTC offset
// in force now) in seconds, in the 2-second steps of a DOS date-time, but
// whatever the year. -1 when the path is missing or is no regular file (a
// directory, a link, a device); a real age is even, so it is never -1.
// Compare ages with AgeIsNewer.
int64_t FileAge(const std::string& path);
bool AgeIsNewer(int64_t age, int64_t than);
// The age of a file last written at `t`.
int64_t AgeOfTime(std::time_t t);

// A real directory; with followLinks a link to a directory counts too (used
// only for a job's own top directories, never inside a tree).
bool DirectoryExists(const std::string& path, bool followLinks = false);
bool FileExists(const std::string& path);  // exists and is not a directory

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

// An open folder of a job's tree. Below a job's own From and To folders
// everything is reached through these, relative to the parent folder's
// descriptor: a link is never followed for reading, writing or removing, and
// no path is resolved again from the root between a decision and its action.
// Names are single entries of the folder (no "/"). An invalid handle (the
// folder could not be opened) answers every question as if the entry were
// missing and refuses every change with the error of the failed open.
class DirHandle {
 public:
  DirHandle() = default;
  // Opens a folder by its path; links in the path, the last one included,
  // are followed: only for a job's own folders and direct callers.
  explicit DirHandle(const std::string& directory);
  // Opens the subfolder `name` of `parent`. A link there is refused with
  // ENOTDIR (20), never followed; so is anything else that is no directory.
  DirHandle(const DirHandle& parent, const std::string& name);
  ~DirHandle();
  DirHandle(DirHandle&& other) noexcept;
  DirHandle& operator=(DirHandle&& other) noexcept;
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;

  // A folder that a preview has only planned to create is valid without
  // a descriptor (fd() is -1).
  bool valid() const { return fd_ >= 0 || planned_; }
  // Why the folder could not be opened; 0 for a valid handle.
  int error() const { return error_; }
  int fd() const { return fd_; }

  // The answers of the path operations of the same names, for one entry.
  int64_t FileAge(const std::string& name) const;
  bool FileExists(const std::string& name) const;
  bool DirectoryExists(const std::string& name) const;
  uint32_t GetAttributes(const std::string& name, int* error = nullptr) const;
  int SetAttributes(const std::string& name, uint32_t attributes) const;
  bool Identity(const std::string& name, uint64_t& device, uint64_t& inode) const;
  // 0 when the entry `name` can be examined (whatever it is), kErrNotFound
  // when it is missing, otherwise why it cannot be examined (a folder that
  // may not be searched): what tells a missing file from an unknown one.
  int EntryError(const std::string& name) const;
  // Deletes a file or a link (never its target); refuses read-only files and
  // folders with kErrAccessDenied. 0 or the error code.
  int DeleteFile(const std::string& name) const;
  // Deletes `name` when it is a stale temporary (IsStaleTemporary) and a
  // regular file, read-only or not; anything else is refused with
  // kErrAccessDenied. 0 or the error code.
  int DeleteStaleTemporary(const std::string& name) const;
  // Removes an empty subfolder; a link is refused with ENOTDIR. 0 or error.
  int RemoveDirectory(const std::string& name) const;
  // Creates the subfolder `name` (one level). 0 or the error code.
  int CreateDirectory(const std::string& name) const;
  // A second handle on the same folder, for another thread.
  DirHandle Duplicate() const;

 private:
  friend struct posix::PreviewAccess;
  int fd_ = -1;
  int error_ = 0;
  // Only during a preview: the folder's absolute path, under which the
  // preview keeps what the run would have changed in it, and whether the
  // folder exists only in that plan.
  std::string path_;
  bool planned_ = false;
};

// Modification time in seconds; false when the path cannot be examined.
bool ModificationTime(const std::string& path, std::time_t& mtime);

// ---- File operations -----------------------------------------------------

// Copies content, modification time, permission bits and archive state (also
// to a read-only copy), replacing the destination atomically. Refuses with
// kErrAccessDenied when the destination is a directory or a read-only file.
// Size and time are those the source had when the copy opened it: bytes
// appended later are not copied, and the copy keeps the earlier time, so the
// next run finds the source newer. Holes of a sparse source stay holes. A
// destination file system that refuses the permission bits (EPERM, ENOSYS or
// EOPNOTSUPP: FAT, exFAT, some FUSE and SMB mounts) still takes the copy; it
// keeps the bits it was created with (0600, as far as the file system keeps
// them), less the write bits when the source has none and the file system
// can hold that. The copy is written to a file without a name; where the
// file system has none (NFS, CIFS, FUSE, FAT), to a named temporary (see
// IsStaleTemporary) in the destination's folder, which a failed copy removes
// and a killed one leaves behind. Returns 0 or the error code.
int CopyFileReplace(const std::string& source, const std::string& dest);
// The same copy between entries of open folders; a link at either name is
// never followed (a source link is refused with kErrAccessDenied, a link at
// the destination is replaced itself).
int CopyFileReplace(const DirHandle& sourceDir, const std::string& sourceName, const DirHandle& destDir,
                    const std::string& destName);
// Deletes a file or a link (never its target); refuses read-only files and
// directories with kErrAccessDenied. 0 or the error code.
int DeleteFile(const std::string& path);
int RemoveDirectory(const std::string& path);    // only an empty one; 0 or error
int CreateDirectories(const std::string& path);  // with missing parents; 0 or error
// Makes sure a folder exists, as cheaply as possible when it already does
// (one system call); the result is not reported.
void EnsureDirectory(const std::string& path);
// Whether the entry `name` is a temporary file of this program whose process
// is gone: one a killed run left behind. Its name is one only this program's
// temporaries have (beginning with ".", so every pass skips it otherwise);
// the temporary of a running process, this one or another, is never stale.
bool IsStaleTemporary(const std::string& name);
// For tests: copies take the named temporary's road, as on a file system
// without unnamed files, while `on`.
void UseNamedTemporaries(bool on);

// ---- Whole-file text I/O (configuration file) ----------------------------

// Identity of a file's current content, for caches.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0, inode = 0, size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// Reads the whole file. Returns 0, or the error code (kErrNotFound when missing).
int ReadWholeFile(const std::string& path, std::string& content, FileStamp* stamp = nullptr);
// Replaces the file through a temporary file and a rename, keeping its
// permission bits. A file without any write bit is refused with
// kErrAccessDenied. Returns 0 or the error code.
int WriteFileAtomic(const std::string& path, const std::string& content);

// ---- Log file handle ------------------------------------------------------

// Opens an existing file for writing (no create); returns a positive handle or
// a negative value on failure.
int32_t OpenExistingForWrite(const std::string& path);
// Creates or truncates; positive handle or negative on failure.
int32_t CreateTruncate(const std::string& path);
void SeekToEnd(int32_t handle);
// Writes everything; 0 or the error code (a full disk, a failing device).
int WriteBytes(int32_t handle, const char* data, size_t size);
void CloseHandle(int32_t handle);

// ---- Run lock -------------------------------------------------------------

// One run at a time per configuration file: an exclusive lock, taken without
// waiting, that the kernel drops when the process ends in any way. busy()
// tells that another holder has it, whichever user: the lock file is opened
// read-only where this user may not write it. Where no lock file can be made
// or opened, the folder is locked. A lock that cannot be set up at all (no
// file, no folder to lock) is neither held nor busy.
class RunLock {
 public:
  explicit RunLock(const std::string& configPath);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  bool held() const { return held_; }
  bool busy() const { return busy_; }

 private:
  int fd_ = -1;
  bool held_ = false;
  bool busy_ = false;
};

// ---- Preview ----------------------------------------------------------------

// While one lives on a thread, the operations of this layer called on that
// thread change nothing: no file, folder, attribute, time, log file or lock
// file is created, written or removed. Each change is checked as the real
// operation checks it (a read-only file, a directory in the way, a folder
// that may not be written, a folder not empty), answered with the code it
// would most likely get, and kept in a plan; every later question (ages,
// attributes, existence, listings, a file's content) is answered from that
// plan over the real tree, so the run goes on as if the change had been
// made. RunLock only looks whether another run holds the lock. One at a time
// per thread.
class PreviewScope {
 public:
  PreviewScope();
  ~PreviewScope();
  PreviewScope(const PreviewScope&) = delete;
  PreviewScope& operator=(const PreviewScope&) = delete;
};

// ---- Process and locale ---------------------------------------------------

std::string ExecutablePath();  // full path of the running executable

// Blocks the calling thread has had read from a disk so far; 0 where the
// system does not count them. Answers from the kernel's caches add none.
uint64_t BlocksReadByThisThread();

// Where a user's files go: the home folder (HOME, or the password database's
// entry when HOME is unset or not absolute) and the XDG base folders when the
// environment gives them as absolute paths (empty otherwise).
struct UserFolderSettings {
  std::string home;
  std::string configHome;  // XDG_CONFIG_HOME
  std::string stateHome;   // XDG_STATE_HOME
};
UserFolderSettings UserFolders();

void InitLocale();                           // adopt the user's locale (once, at start)
std::string LongTimeText(const std::tm& t);  // locale's long time format
char DecimalSeparator();
std::string UpperCaseLocale(const std::string& text);

// ---- Reading a file in blocks ---------------------------------------------

// Returned by FileReader for a path that is no regular file (a directory, a
// FIFO, a device): EINVAL.
constexpr int kErrNotRegularFile = 22;

// A regular file open for reading from its start, closed with the object.
// Opening never blocks, not even on a FIFO standing at the path.
class FileReader {
 public:
  explicit FileReader(const std::string& path);
  // The file `name` of an open folder; a link there is refused, never followed.
  FileReader(const DirHandle& dir, const std::string& name);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // True when the file could be opened (and is a regular file).
  bool valid() const { return fd_ >= 0; }
  // 0, or why the file could not be opened (the error code or
  // kErrNotRegularFile), or why the last read failed.
  int error() const { return error_; }
  // Fills `buffer` with the next `size` bytes, reading on after short reads,
  // so fewer than `size` bytes come back only at the end of the file. Returns
  // the number of bytes read, or -1 on a read error (error() tells which).
  int64_t ReadBlock(char* buffer, size_t size);

 private:
  void Open(int dirfd, const std::string& name, int flags);
  int fd_ = -1;
  int error_ = 0;
};

// ---- Local time -------------------------------------------------------------

// The local calendar time of `t`, with the zone's rules in force at `t`; all
// fields zero when it cannot be converted.
std::tm LocalTime(std::time_t t);
// The seconds since 1970 of the calendar fields of `t` read as UTC (fields out
// of range carry over; the zone and tm_isdst are ignored). Subtracting two of
// these measures the distance between two wall-clock readings.
int64_t SecondsAsUtc(const std::tm& t);

}  // namespace tandrel::platform
