// The POSIX file system: folders held as descriptors, every entry reached
// relative to its folder's descriptor without following a link.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/posix/archive.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/folder_search.h"
#include "platform/posix/run_lock.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {

const char kPathSeparator = '/';
const bool kPathsIgnoreCase = false;

namespace {

using posix::UniqueFd;

class PosixFolder;

std::string SwapCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

// Reads its descriptor's file from the start, whatever the descriptor's
// own offset: a copy's descriptor, read back after writing, has moved on.
class PosixReader : public ReaderOps {
 public:
  explicit PosixReader(int fd) : fd_(fd) {}
  int64_t ReadBlock(char* buffer, size_t size, int& error) override {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pread(fd_.get(), buffer + done, size - done, at_);
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
      at_ += n;
    }
    return static_cast<int64_t>(done);
  }

 private:
  UniqueFd fd_;
  off_t at_ = 0;
};

}  // namespace

std::unique_ptr<ReaderOps> posix::ReaderOf(int fd) { return std::make_unique<PosixReader>(fd); }

namespace {

// Opens the regular file `name` for reading without blocking on a special
// file; null with `error` set otherwise.
std::unique_ptr<ReaderOps> OpenForReading(int dirfd, const std::string& name, int flags, int& error) {
  int fd;
  do {
    fd = ::openat(dirfd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  UniqueFd file(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    error = errno;
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    error = kErrNotRegularFile;
    return nullptr;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);  // a hint only; failure is harmless
  error = 0;
  return std::make_unique<PosixReader>(file.release());
}

class PosixFolder : public FolderOps {
 public:
  // `readable`: opened for reading, so that it is listed through itself.
  PosixFolder(int fd, int error, bool readable = false)
      : held_(std::make_shared<posix::HeldFolder>(fd, readable)), error_(fd >= 0 ? 0 : error) {}

  int fd() const { return held_->fd.get(); }
  bool valid() const override { return held_->fd.valid(); }
  int error() const override { return error_; }

  std::unique_ptr<FolderOps> OpenSub(const std::string& name) const override {
    if (!valid()) return std::make_unique<PosixFolder>(-1, error_);
    bool readable = false;
    const int fd = posix::OpenFolderAt(this->fd(), name.c_str(), O_NOFOLLOW, readable);
    // With O_PATH a link can be opened as itself; say what a plain open says.
    return std::make_unique<PosixFolder>(fd, errno == ELOOP ? ENOTDIR : errno, readable);
  }

  std::unique_ptr<FolderOps> Duplicate() const override {
    if (!valid()) return std::make_unique<PosixFolder>(-1, error_);
    // The copy shares the descriptor's offset, so its own searches open
    // the folder again.
    const int fd = ::fcntl(this->fd(), F_DUPFD_CLOEXEC, 0);
    return std::make_unique<PosixFolder>(fd, errno);
  }

  EntryFacts LookAt(const std::string& name) const override {
    struct stat st;
    if (::fstatat(fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      EntryFacts facts;
      facts.error = errno;
      return facts;
    }
    return posix::FactsFromStat(name, st);
  }

  bool ArchiveOf(const std::string& name, const EntryFacts& facts) const override {
    return !posix::ArchiveClearAt(fd(), name, posix::StatOf(facts));
  }

  int SetAttributes(const std::string& name, uint32_t attributes) const override {
    return posix::SetAttributesAt(fd(), name, attributes);
  }

  int RemoveFile(const std::string& name) const override {
    return ::unlinkat(fd(), name.c_str(), 0) == 0 ? 0 : errno;
  }

  int RemoveFolder(const std::string& name) const override {
    return ::unlinkat(fd(), name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
  }

  int Rename(const std::string& from, const std::string& to) const override {
    return ::renameat(fd(), from.c_str(), fd(), to.c_str()) == 0 ? 0 : errno;
  }

  bool IgnoresCase(bool mayProbe) const override {
    // An entry with a letter in its name, looked up in the other case; in a
    // folder without one, a temporary of this program where one may be
    // made, or else what the file system's kind says.
    if (const int answer = CaseOfAnEntry(); answer >= 0) return answer == 1;
    if (mayProbe) {
      std::string name;
      const UniqueFd probe(posix::CreateTempIn(fd(), "", name));
      if (probe.valid()) {
        const bool ignores = Exists(SwapCaseAscii(name));
        ::unlinkat(fd(), name.c_str(), 0);
        return ignores;
      }
    }
    struct statfs fs;
    if (::fstatfs(fd(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
      case 0x4d44UL:      // FAT
      case 0x2011BAB0UL:  // exFAT
      case 0x5346544eUL:  // NTFS
      case 0xFF534D42UL:  // CIFS
      case 0xFE534D42UL:  // SMB2
        return true;
      default:
        return false;
    }
  }

  int MakeFolder(const std::string& name) const override {
    if (::mkdirat(fd(), name.c_str(), 0777) != 0) return errno;
    // Where copies are flushed file by file, nothing else would flush the
    // new folder's entry before the copies in it count.
    if (held_->FlushedAsAWhole()) return 0;
    const int rc = posix::FlushFolderAt(fd());
    return rc == EACCES || rc == EPERM ? 0 : rc;
  }

  int MayChange() const override { return ::faccessat(fd(), ".", W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno; }

  std::unique_ptr<PendingCopyOps> PrepareCopyTo(const std::string& name, const FolderOps& dest,
                                                const std::string& destName, bool synchronised,
                                                const CopyProgress& progress, int& error) const override {
    const auto* other = dynamic_cast<const PosixFolder*>(&dest);
    if (!other) {
      error = kErrAccessDenied;
      return nullptr;
    }
    return posix::PrepareCopyAt(fd(), name, other->held_, destName, synchronised, progress, error);
  }

  int ClearArchiveAsCopied(const std::string& name, const CopiedState& copied) const override {
    // The mark names the state it describes: written for the state the copy
    // took, it reads as clear only while the file is still in that state.
    const EntryFacts now = LookAt(name);
    if (!now.exists()) return now.error;
    if (!copied.Describes(now)) return kErrChanged;
    struct stat st = posix::StatOf(now);
    st.st_size = copied.size;
    st.st_mtim = {static_cast<time_t>(copied.writeTime), copied.writeTimeNsec};
    return posix::ClearArchiveAt(fd(), name, st);
  }

  bool Exists(const std::string& name) const {
    struct stat st;
    return ::fstatat(fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  }

  // 1 when the first entry with a letter in its name is found under its
  // name in the other case and the folder lists no such other entry, 0 when
  // it is not found so or is listed apart, -1 when no entry tells. Names,
  // not file numbers, decide: some file systems give one file another
  // number for each spelling.
  int CaseOfAnEntry() const {
    const std::unique_ptr<SearchOps> search = posix::SearchFolder(held_, "*");
    std::string other;
    FindEntry entry;
    while (search->Next(entry)) {
      const std::string& name = entry.name;
      if (other.empty()) {
        other = SwapCaseAscii(name);
        if (other == name) {
          other.clear();
        } else if (!Exists(other)) {
          return 0;
        }
      } else if (name == other) {
        return 0;  // both spellings, each an entry of its own
      }
    }
    return other.empty() ? -1 : 1;
  }

  uint64_t ChangeStamp() const override {
    // The folder's change time moves with every entry added, removed or
    // renamed, and no caller can set it back. A change within the clock's
    // coarse step after an earlier one may keep it, so a folder changed
    // less than kSettledSeconds ago tells nothing.
    constexpr int64_t kSettledSeconds = 2;
    // Elsewhere (FUSE, network and FAT-like file systems) a change may
    // leave it as it was.
    if (!valid() || !held_->ChangeTimesTell()) return 0;
    struct stat st;
    struct timespec now;
    if (::fstat(fd(), &st) != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
    if (now.tv_sec - st.st_ctim.tv_sec < kSettledSeconds) return 0;
    return static_cast<uint64_t>(st.st_ctim.tv_sec) * 1000000000u + static_cast<uint64_t>(st.st_ctim.tv_nsec);
  }

  std::unique_ptr<SearchOps> Search(const std::string& mask) const override {
    return posix::SearchFolder(held_, mask);
  }

  std::unique_ptr<ReaderOps> OpenFile(const std::string& name, int& error) const override {
    return OpenForReading(fd(), name, O_NOFOLLOW, error);
  }

 private:
  std::shared_ptr<posix::HeldFolder> held_;
  int error_;
};

class PosixLogFile : public LogFileOps {
 public:
  explicit PosixLogFile(int fd) : fd_(fd) {}
  int Write(const char* data, size_t size) override {
    while (size > 0) {
      const ssize_t n = ::write(fd_.get(), data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) return EIO;
      data += n;
      size -= static_cast<size_t>(n);
    }
    return 0;
  }
  int Flush() override { return ::fdatasync(fd_.get()) == 0 ? 0 : errno; }

 private:
  UniqueFd fd_;
};

// Takes the file for this run alone, as the log writer holds it without
// sharing; -1 when another holds it.
int Claim(int fd) {
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<FolderOps> OpenFolder(const std::string& path) const override {
    bool readable = false;
    const int fd = posix::OpenFolderAt(AT_FDCWD, path.c_str(), 0, readable);
    return std::make_unique<PosixFolder>(fd, errno, readable);
  }

  bool DirectoryExists(const std::string& path, bool followLinks) const override {
    struct stat st;
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return rc == 0 && S_ISDIR(st.st_mode);
  }

  bool ResolvePath(const std::string& path, std::string& resolved) const override {
    char* r = ::realpath(path.c_str(), nullptr);
    if (!r) return false;
    resolved = r;
    std::free(r);
    return true;
  }

  bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) const override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
  }

  bool FolderWithin(const std::string& inner, const std::string& outer) const override {
    return posix::FolderWithinAt(inner, outer);
  }

  int CreateDirectories(const std::string& path) const override {
    if (path.empty()) return kErrNotFound;
    const std::string p = WithoutTrailingSeparator(path);
    if (::mkdir(p.c_str(), 0777) == 0) return 0;
    if (errno == EEXIST) return DirectoryExists(p, true) ? 0 : EEXIST;
    if (errno != ENOENT) return errno;
    const std::string parent = ParentFolder(p);
    if (parent.empty() || parent == "/") return ENOENT;
    if (const int rc = CreateDirectories(parent)) return rc;
    if (::mkdir(p.c_str(), 0777) == 0) return 0;
    return errno == EEXIST && DirectoryExists(p, true) ? 0 : errno;
  }

  void EnsureDirectory(const std::string& path) const override {
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) CreateDirectories(path);
  }

  std::unique_ptr<ReaderOps> OpenFile(const std::string& path, int& error) const override {
    // A directory would open on Linux but is no file to read.
    return OpenForReading(AT_FDCWD, path, 0, error);
  }

  std::unique_ptr<LogFileOps> OpenLogFile(const std::string& path, bool append) const override {
    // Only a regular file: a FIFO there would hold the run until it had a reader.
    if (append) {
      const int fd = Claim(posix::OpenRegularFile(path, O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW));
      return fd < 0 ? nullptr : std::make_unique<PosixLogFile>(fd);
    }
    // Truncated only once the lock is held, so another run's file is never emptied.
    const int fd = Claim(posix::OpenRegularFile(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd < 0) return nullptr;
    if (::ftruncate(fd, 0) != 0) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixLogFile>(fd);
  }

  std::unique_ptr<RunLockOps> LockRun(const std::string& configPath) const override {
    return posix::LockRun(configPath);
  }

  RunLockState LookAtRunLock(const std::string& configPath) const override {
    return posix::LookAtRunLock(configPath);
  }

  int WriteFileAtomic(const std::string& path, const std::string& content) const override {
    return posix::WriteFileAtomicAt(path, content);
  }
};

}  // namespace

const FileSystem& RealFileSystem() {
  static const PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace tandrel::platform
