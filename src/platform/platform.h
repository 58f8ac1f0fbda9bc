#pragma once
// The small layer in place of the Windows API: folders and files of a job's
// trees, attributes, the run lock, log files, the configuration's text, the
// clock and the locale. Every operation that can fail returns or reports the
// platform's own error code (the C library's numbers on Linux, GetLastError
// on Windows) so that the engine can log it; nothing here throws. Paths are UTF-8 text with the
// platform's separator (platform/paths.h). Each platform implements this
// header in its own folder; the preview wraps it (platform/preview).

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The few error codes the engine must tell apart, as the platform numbers
// them; each platform defines them.
extern const int kErrAccessDenied;    // a change refused: read-only, a folder, no right
extern const int kErrNotFound;        // no such file or folder
extern const int kErrExists;          // something stands there already
extern const int kErrNotADirectory;   // a link or a file where a folder is needed
extern const int kErrNotEmpty;        // a folder to remove still holds something
extern const int kErrNotRegularFile;  // FileReader on something that is no file
extern const int kErrCancelled;       // a copy abandoned by its caller
extern const int kErrChanged;         // a file changed while it was being copied
extern const int kErrOutOfMemory;     // the memory a step needed could not be had
extern const int kErrInternal;        // a step failed in a way no other code names
extern const int kErrTooManyOpen;     // the process holds as many files as it may

// ---- Entries ------------------------------------------------------------

// One look at an entry of a folder; links are never followed.
struct EntryFacts {
  int error = kErrNotFound;  // 0, or why the entry could not be examined
  bool isDirectory = false;  // a real directory, not a link to one
  bool isRegular = false;    // a regular file; anything else is "system"
  // Every attribute bit but Archive, which only archiveKnown makes certain:
  // a platform whose archive state takes a look of its own leaves it to
  // DirHandle::AttributesOf.
  uint32_t attributes = 0;
  bool archiveKnown = false;
  int64_t age = -1;  // a regular file's age (AgeOfTime); -1 otherwise
  int64_t size = 0;
  int64_t writeTime = 0;  // last write, seconds since 1970
  int32_t writeTimeNsec = 0;
  uint64_t device = 0, inode = 0;  // identity
  bool exists() const { return error == 0; }
};

// The size and last-write time a copy took from its source when it opened it.
struct CopiedState {
  int64_t size = 0;
  int64_t writeTime = 0;
  int32_t writeTimeNsec = 0;
  // Whether a look at the source finds it still so.
  bool Describes(const EntryFacts& facts) const {
    return facts.exists() && facts.size == size && facts.writeTime == writeTime &&
           facts.writeTimeNsec == writeTimeNsec;
  }
};

// Whether two looks show one entry in one state: the same file (identity
// and kind) with the same size, last-write time and read-only, hidden and
// system attributes. What a run replaces or deletes must still be in the
// state its decision looked at.
bool SameEntryState(const EntryFacts& a, const EntryFacts& b);

struct FindEntry {
  std::string name;
  bool isDirectory = false;  // a real directory, not a link to one
  bool isSystem = false;     // neither a regular file nor a directory
  bool isHidden = false;     // name begins with "."
  // What the listing itself told of the entry, on a platform whose listing
  // gives age, attributes and identity without a look of its own.
  std::optional<EntryFacts> facts;
};

// Whether a name is hidden: it begins with "." (every pass skips those).
bool IsHiddenName(const std::string& name);
// Whether a search for `attributeSet` returns `entry`: when it is neither
// hidden, system nor directory, or when one of those it is lies in the set.
bool InAttributeSet(const FindEntry& entry, uint32_t attributeSet);
// Case-insensitive (ASCII) wildcard match: "*" any run, "?" one character;
// "*.*" and "*" match every name.
bool MatchesMask(const std::string& name, const std::string& mask);

// ---- Ages -----------------------------------------------------------------

// Last-write time as a run compares it: the local time (by the UTC offset
// in force now) in seconds, in the 2-second steps of a DOS date-time, but
// whatever the year. -1 when an entry is missing or is no regular file (a
// directory, a link, a device); a real age is even, so it is never -1.
// Compare ages with AgeIsNewer.
bool AgeIsNewer(int64_t age, int64_t than);
// The age of a file last written at `t`.
int64_t AgeOfTime(std::time_t t);
// The offset of local time from UTC in force now, in seconds; every age is
// shifted by this one offset, so that ages keep the order of the real times
// across a clock change.
long UtcOffsetNow();

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

// ---- Copies -----------------------------------------------------------------

// A copy is made in steps: PrepareCopy writes it beside its destination,
// FlushCopies puts it on the disk, PendingCopy::Publish gives it the
// destination's name and FlushCopies again puts that name on the disk.
//
// `progress`, when given, is told the bytes copied so far and the size now
// and then during a long copy; when it answers false the copy is abandoned:
// it fails with kErrCancelled and leaves the destination as it was, with no
// temporary behind.
using CopyProgress = std::function<bool(int64_t copied, int64_t size)>;

class PendingCopyOps;

// A copy written in full beside its destination, but not yet under the
// destination's name: what PrepareCopy makes. The destination stays as it
// was until Publish; a copy dropped unpublished leaves nothing behind (a
// named temporary where the file system has no unnamed files, which a
// killed run leaves for IsStaleTemporary). A durable copy is flushed
// (FlushCopies) before it is read back or published, and its folder entry
// flushed after Publish before anything counts on it.
class PendingCopy {
 public:
  PendingCopy();
  // `over` is the look at the destination entry the copy is to replace (a
  // missing one where it is to be new).
  PendingCopy(std::unique_ptr<PendingCopyOps> ops, const EntryFacts& over);
  ~PendingCopy();
  PendingCopy(PendingCopy&& other) noexcept;
  PendingCopy& operator=(PendingCopy&& other) noexcept;
  PendingCopy(const PendingCopy&) = delete;
  PendingCopy& operator=(const PendingCopy&) = delete;

  bool valid() const { return ops_ != nullptr; }
  // What the copy took from its source.
  CopiedState copied() const;
  // The copy's bytes as the disk holds them, from its start: nothing a cache
  // kept of them is read, so flush it first.
  FileReader ReadBack() const;
  // Gives the copy the destination's name. It replaces only the very entry
  // it was prepared over, still in the state that look showed (a file or a
  // link); anything else standing there now is kept: a name that has
  // appeared since gives kErrExists (refused by the file system itself
  // where it can), an entry that has changed since kErrChanged. 0 or the
  // error code. The copy stays valid for the flush of its folder entry.
  int Publish();
  // Drops the copy; the destination stays as it was.
  void Discard();
  // Copies that answer the same non-zero key share one flush.
  uint64_t FlushKey() const;
  const PendingCopyOps* ops() const { return ops_.get(); }

 private:
  std::unique_ptr<PendingCopyOps> ops_;
  EntryFacts over_;
};

// Makes a copy of content, last-write time, read-only and archive state (also
// to a read-only copy), unnamed: `error` is 0 and the copy valid, or `error`
// tells why not. A `synchronised` copy has its archive attribute clear (a
// server's copy); any other takes the source's. Refuses with
// kErrAccessDenied when the destination is a folder or a read-only or
// hidden file, or the source is no regular file (a link there is never
// followed; one at the destination is replaced itself).
//
// Size and time are those the source had when the copy opened it: bytes
// appended later are not copied (while those it had still read the same),
// and the copy keeps the earlier time, so the next run finds the source
// newer. A source that shrinks or is written in place meanwhile is copied
// once more at once, and gives kErrChanged if it changes again: a copy
// never holds bytes of two versions. Holes of a sparse source stay holes.
// A destination file system that refuses the permission bits (FAT, exFAT,
// some FUSE and SMB mounts) still takes the copy, read-only where it can
// hold that. The copy is written to a file without a name; where the file
// system has none (NFS, CIFS, FUSE, FAT), to a named temporary (see
// IsStaleTemporary) in the destination's folder, which a dropped copy
// removes and a killed run leaves behind.
PendingCopy PrepareCopy(const DirHandle& sourceDir, const std::string& sourceName, const DirHandle& destDir,
                        const std::string& destName, bool synchronised, const CopyProgress& progress,
                        int& error);
// The same, where the caller has looked at the source and the destination
// entry: `source` and `dest` are those looks, and the copy replaces only the
// entry `dest` describes.
PendingCopy PrepareCopy(const DirHandle& sourceDir, const std::string& sourceName, const EntryFacts& source,
                        const DirHandle& destDir, const std::string& destName, const EntryFacts& dest,
                        bool synchronised, const CopyProgress& progress, int& error);
// Puts on the disk what the given copies have written, and what has been
// published of them: one flush per file system rather than one per file
// where the platform and the file system allow it (a local disk's), one per
// copy and then one per folder of names elsewhere (FUSE, network file
// systems). 0 or the first error code.
int FlushCopies(const std::vector<const PendingCopy*>& copies);
// The most copies worth one flush on this platform; how many may wait at
// once also depends on DescriptorLimit.
size_t CopiesPerFlush();
// How many descriptors the process may hold at once: the open-file limit,
// raised first as far as the system lets it. A platform without so small a
// limit answers a large number.
size_t DescriptorLimit();
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

// Reads the whole file. Returns 0, or the error code (kErrNotFound when
// missing). Only a regular file is read, and opening never waits on what
// stands at the path: a folder gives the platform's code for one,
// anything else that is no file (a FIFO, a device, a pipe) kErrNotRegularFile.
int ReadWholeFile(const std::string& path, std::string& content, FileStamp* stamp = nullptr);
// Replaces the file through a temporary file and a rename, keeping its
// permission bits. A read-only file is refused with kErrAccessDenied.
// Returns 0 or the error code.
int WriteFileAtomic(const std::string& path, const std::string& content);

// ---- Log files --------------------------------------------------------------

class LogFileOps;

// A run's log file, held for this run alone (without sharing) while open,
// and closed with the object. Writes are unbuffered. Only a regular file is
// opened, without waiting on anything else that stands at the path.
class LogFile {
 public:
  LogFile();
  ~LogFile();
  LogFile(LogFile&& other) noexcept;
  LogFile& operator=(LogFile&& other) noexcept;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens an existing file for appending (no create); false when it is
  // missing or held by another.
  bool OpenToAppend(const std::string& path);
  // Creates the file, or empties an existing one once it is held.
  bool Create(const std::string& path);
  bool open() const { return ops_ != nullptr; }
  // Writes everything; 0 or the error code (a full disk, a failing device).
  int Write(const std::string& text);
  // Puts what was written on the disk; 0 or the error code.
  int Flush();
  void Close();

 private:
  std::unique_ptr<LogFileOps> ops_;
};

// ---- Run lock -------------------------------------------------------------

class RunLockOps;

// What a run finds at its lock.
enum class RunLockState {
  Held,          // this run holds it
  Free,          // nobody holds it; for a lock taken: none could be set up at all
  Busy,          // another run holds it, whichever user's
  OtherUser,     // what stands at the lock file's name belongs to another user
  OpenToOthers,  // the lock file is held, and users other than its owner can open it
};

// The lock file of the configuration at `configPath`: `<configuration>.lock`.
std::string RunLockFile(const std::string& configPath);

// One run at a time per configuration file: an exclusive lock on its
// RunLockFile, taken without waiting, that the system drops when the
// process ends in any way. Only this user's own lock file serves: it is made
// 0600 whatever the umask, and one that others can open (an older version's)
// is closed to them while the run holds it, a fresh file taking its name, so
// that a descriptor opened earlier holds nothing. Whatever stands at the name
// and belongs to another user refuses the run (OtherUser, whoever holds it),
// as does a lock file that others can open and that is held (OpenToOthers):
// neither passes for a run in progress. Where no lock file can be made or
// opened, or what stands at its name is no regular file (a FIFO, a device, a
// folder: never waited on), the folder is locked. A lock that cannot be set
// up at all is Free: neither held nor busy. On Windows the lock file keeps
// its folder's access rights, only Held, Free and Busy occur, and a lock
// file in the temporary folder stands in for the folder.
class RunLock {
 public:
  explicit RunLock(const std::string& configPath);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  RunLockState state() const;
  bool held() const { return state() == RunLockState::Held; }
  bool busy() const { return state() == RunLockState::Busy; }

 private:
  std::unique_ptr<RunLockOps> ops_;
};

// ---- Process and locale ---------------------------------------------------

std::string ExecutablePath();  // full path of the running executable
// The system's own text for one of its error codes, without a final full stop.
std::string ErrorText(int error);

// Blocks the calling thread has had read from a disk so far; 0 where the
// system does not count them. Answers from the system's caches add none.
uint64_t BlocksReadByThisThread();
// Whether the system counts them.
bool BlocksAreCounted();

// Where a user's files go: the home folder (HOME, or the password database's
// entry when HOME is unset or not absolute) and the XDG base folders when the
// environment gives them as absolute paths (empty otherwise). On Windows:
// USERPROFILE, APPDATA and LOCALAPPDATA, each only when absolute.
struct UserFolderSettings {
  std::string home;
  std::string configHome;  // XDG_CONFIG_HOME; APPDATA on Windows
  std::string stateHome;   // XDG_STATE_HOME; LOCALAPPDATA on Windows
};
UserFolderSettings UserFolders();

void InitLocale();  // adopt the user's locale (once, at start)
std::string UpperCaseLocale(const std::string& text);
// A name with its letter case folded as file systems that ignore case fold
// it (Unicode's simple upper case, whatever the user's locale): two names
// such a file system takes for one fold to the same text.
std::string FoldCase(const std::string& name);

// ---- Local time -------------------------------------------------------------

// The local calendar time of `t`, with the zone's rules in force at `t`; all
// fields zero when it cannot be converted.
std::tm LocalTime(std::time_t t);
// The seconds since 1970 of the calendar fields of `t` read as UTC (fields out
// of range carry over; the zone and tm_isdst are ignored). Subtracting two of
// these measures the distance between two wall-clock readings.
int64_t SecondsAsUtc(const std::tm& t);

}  // namespace tandrel::platform
