#pragma once
// The program's own files: the configuration's text, log files and the
// run lock.

#include <cstdint>
#include <memory>
#include <string>

namespace tandrel::platform {

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

}  // namespace tandrel::platform
