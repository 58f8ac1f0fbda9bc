#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/copies.h"
#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/posix/archive.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/folder_search.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/test_seams.h"
#include "platform/posix/unique_fd.h"
#include "platform/speed_hooks.h"
#include "platform/test_seams.h"

namespace tandrel::platform {
namespace {

using posix::UniqueFd;

// The last pair of devices between which the kernel refused to copy.
std::atomic<uint64_t> refusingSource{0}, refusingDest{0};

// Whom a copy tells how far it has come, and the whole size; and whether
// the kernel may copy between its two devices.
struct Reporter {
  const CopyProgress& progress;
  off_t size;
  uint64_t sourceDevice = 0, destDevice = 0;
  bool kernelCopy = refusingSource.load(std::memory_order_relaxed) != sourceDevice + 1 ||
                    refusingDest.load(std::memory_order_relaxed) != destDevice + 1;
  // False when the caller wants the copy abandoned.
  bool GoOn(off_t copied) const { return !progress || progress(copied, size); }
  void RefusedBetweenDevices() const {
    refusingSource.store(sourceDevice + 1, std::memory_order_relaxed);
    refusingDest.store(destDevice + 1, std::memory_order_relaxed);
  }
};

// Copies the bytes [at, at + length) of `in` to the same place in `out`.
// 0 or the error code: kErrChanged when the source has shrunk meanwhile.
int CopyRange(int in, int out, off_t at, off_t length, const Reporter& reporter) {
  const off_t first = at, end = at + length;
  // Told in steps small enough for the caller to answer soon; a file copied
  // in one step is not told about at all.
  const off_t step = reporter.progress ? off_t{8} << 20 : off_t{1} << 30;
  bool kernelCopy = reporter.kernelCopy;
  while (at < end) {
    if (at > first && !reporter.GoOn(at)) return ECANCELED;
    if (kernelCopy) {
      loff_t from = at, to = at;
      const ssize_t n = ::copy_file_range(in, &from, out, &to, std::min<off_t>(end - at, step), 0);
      if (n > 0) {
        at += n;
        continue;
      }
      // An end before the size the copy began with is made sure of below.
      if (n == 0) {
        kernelCopy = false;
        continue;
      }
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM) {
        // Between two file systems it never will: the next copies between
        // the same two do not ask again.
        if (errno == EXDEV) reporter.RefusedBetweenDevices();
        kernelCopy = false;  // fall back to plain reads and writes
        continue;
      }
      return errno;
    }
    static thread_local std::vector<char> buffer(1 << 20);
    const ssize_t n = ::pread(in, buffer.data(), std::min<off_t>(end - at, buffer.size()), at);
    if (n == 0) return kErrChanged;  // the source has shrunk meanwhile
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::pwrite(out, buffer.data() + done, n - done, at + done);
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
    at += n;
  }
  return 0;
}

// Copies the source as `src` describes it, the size it had when it was
// opened: a file that grows meanwhile is not chased to its end. A sparse
// source (fewer blocks than its size needs) has only its data copied, so
// its holes stay holes. 0 or the error code.
int CopyData(int in, int out, const struct stat& src, const Reporter& reporter) {
  if (src.st_blocks * 512 >= src.st_size) return CopyRange(in, out, 0, src.st_size, reporter);
  for (off_t at = 0; at < src.st_size;) {
    const off_t data = ::lseek(in, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole is left
    if (data < 0) {
      // A file system that cannot tell holes: the rest is copied whole.
      if (const int rc = CopyRange(in, out, at, src.st_size - at, reporter)) return rc;
      break;
    }
    if (data >= src.st_size) break;
    const off_t hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0) return errno;
    const off_t dataEnd = std::min(hole, src.st_size);
    if (const int rc = CopyRange(in, out, data, dataEnd - data, reporter)) return rc;
    at = dataEnd;
  }
  return ::ftruncate(out, src.st_size) == 0 ? 0 : errno;
}

// Whether the bytes [0, size) read the same in both files. 0, kErrChanged
// where they differ, or the error code of a read.
int SamePrefix(int first, int second, off_t size) {
  static thread_local std::vector<char> buffers(2 << 20);
  char* const a = buffers.data();
  char* const b = a + (1 << 20);
  for (off_t at = 0; at < size;) {
    const size_t want = static_cast<size_t>(std::min<off_t>(size - at, 1 << 20));
    const ssize_t n = ::pread(first, a, want, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return kErrChanged;
    for (ssize_t got = 0; got < n;) {
      const ssize_t m = ::pread(second, b + got, static_cast<size_t>(n - got), at + got);
      if (m < 0 && errno == EINTR) continue;
      if (m < 0) return errno;
      if (m == 0) return kErrChanged;
      got += m;
    }
    if (std::memcmp(a, b, static_cast<size_t>(n)) != 0) return kErrChanged;
    at += n;
  }
  return 0;
}

// Whether the source `in`, described by `src` when the copy began, still
// holds what the copy `out` took: 0, or kErrChanged for a source that
// shrank or was written in place meanwhile, whose copy may hold bytes of two
// versions. One that only grew keeps what it had, so long as those bytes
// still read the same: its copy takes them, and the next run the rest.
int SourceKept(int in, int out, const struct stat& src) {
  struct stat now;
  if (::fstat(in, &now) != 0) return errno;
  const bool sameTime =
      now.st_mtim.tv_sec == src.st_mtim.tv_sec && now.st_mtim.tv_nsec == src.st_mtim.tv_nsec;
  if (now.st_size == src.st_size && sameTime) return 0;
  if (now.st_size <= src.st_size) return kErrChanged;
  return SamePrefix(in, out, src.st_size);
}

std::atomic<bool> namedTemporaries = false;
std::atomic<int> modeChangeFault = 0;

int ChangeMode(int fd, mode_t mode) {
  if (const int fault = modeChangeFault.exchange(0)) return fault;
  return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

// Gives the copy the source's permission bits. A file system that cannot
// hold them (FAT, exFAT, some FUSE and SMB mounts) does not fail the copy:
// content and time are what a backup needs. It is still asked for the
// read-only state alone, which FAT can hold. 0 or the error code.
int CarryMode(int fd, mode_t mode) {
  const int rc = ChangeMode(fd, mode);
  if (rc != EPERM && rc != ENOSYS && rc != EOPNOTSUPP) return rc;
  struct stat st;
  if ((mode & 0222) == 0 && ::fstat(fd, &st) == 0) ChangeMode(fd, st.st_mode & 07777 & ~0222);
  return 0;
}

// Gives the unnamed file `fd` the name `path` relative to `dirfd`; fails
// with EEXIST when something stands there already.
int LinkAnonymous(int fd, int dirfd, const std::string& path) {
  if (::linkat(fd, "", dirfd, path.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno == EEXIST) return EEXIST;
  // Without the capability for an empty path, the descriptor's /proc name serves.
  const std::string procName = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, procName.c_str(), dirfd, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// A copy written to a file without a name, or to a named temporary where the
// file system has none, in the destination's folder.
class PosixPendingCopy : public PendingCopyOps {
 public:
  PosixPendingCopy(UniqueFd out, std::shared_ptr<posix::HeldFolder> destDir, std::string dest,
                   std::string tempName, const struct stat& src)
      : out_(std::move(out)),
        destDir_(std::move(destDir)),
        dest_(std::move(dest)),
        tempName_(std::move(tempName)),
        src_(src),
        flushedAsAWhole_(destDir_->FlushedAsAWhole()) {
    // A copy lies on its folder's file system: one look serves the folder's copies.
    device_ = destDir_->device.load(std::memory_order_relaxed);
    struct stat st;
    if (device_ == 0 && ::fstat(out_.get(), &st) == 0) {
      device_ = static_cast<uint64_t>(st.st_dev) + 1;
      destDir_->device.store(device_, std::memory_order_relaxed);
    }
  }
  ~PosixPendingCopy() override {
    if (!tempName_.empty()) ::unlinkat(destDir_->fd.get(), tempName_.c_str(), 0);
  }
  int fd() const { return out_.get(); }
  uint64_t Device() const { return device_ - 1; }

  CopiedState copied() const override {
    return {src_.st_size, src_.st_mtim.tv_sec, static_cast<int32_t>(src_.st_mtim.tv_nsec)};
  }

  // Copies into one file system that flushes as a whole share one flush;
  // elsewhere each copy's data is flushed on its own, and then the names
  // given in one folder with one flush of that folder.
  uint64_t FlushKey() const override {
    if (flushedAsAWhole_) return device_;
    return published_ ? reinterpret_cast<uintptr_t>(destDir_.get()) | kFolderKey : 0;
  }

  // One syncfs puts every copy of the file system on the disk, data and
  // folder entries alike: far cheaper than a flush per file.
  int Flush() const override {
    if (flushedAsAWhole_) return ::syncfs(out_.get()) == 0 ? 0 : errno;
    if (!published_) return ::fsync(out_.get()) == 0 ? 0 : errno;
    return FlushFolder();
  }

  std::unique_ptr<ReaderOps> ReadBack(int& error) const override {
    // Flushed pages are clean, so the cache lets them go and the reading
    // below comes from the disk.
    ::posix_fadvise(out_.get(), 0, 0, POSIX_FADV_DONTNEED);
    const int fd = ::fcntl(out_.get(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
      error = errno;
      return nullptr;
    }
    error = 0;
    return posix::ReaderOf(fd);
  }

  EntryFacts LookAtDestination() const override {
    struct stat st;
    if (::fstatat(destDir_->fd.get(), dest_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
      return posix::FactsFromStat(dest_, st);
    EntryFacts facts;
    facts.error = errno;
    return facts;
  }

  int Publish(bool replace) override {
    const int rc = replace ? Replace() : NameNew();
    if (rc == 0) published_ = true;
    return rc;
  }

 private:
  UniqueFd out_;
  // The destination folder's descriptor, held while the copy waits.
  std::shared_ptr<posix::HeldFolder> destDir_;
  std::string dest_;
  // Named where nothing stands: the file system itself refuses a name
  // that another program has taken meanwhile, wherever it can.
  int NameNew() {
    const int dirfd = destDir_->fd.get();
    if (tempName_.empty()) return LinkAnonymous(out_.get(), dirfd, dest_);
    if (::renameat2(dirfd, tempName_.c_str(), dirfd, dest_.c_str(), RENAME_NOREPLACE) == 0) {
      tempName_.clear();
      return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    // Without that kind of rename, a second link refuses as well.
    if (::linkat(dirfd, tempName_.c_str(), dirfd, dest_.c_str(), 0) == 0) {
      ::unlinkat(dirfd, std::exchange(tempName_, {}).c_str(), 0);
      return 0;
    }
    if (errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    // A file system with neither (FAT-like ones through FUSE): the name is
    // looked at the moment before.
    struct stat st;
    if (::fstatat(dirfd, dest_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return RenameOver();
  }

  // Named over the entry standing there, through a temporary name where the
  // copy has none.
  int Replace() {
    const int dirfd = destDir_->fd.get();
    for (int attempt = 0; tempName_.empty() && attempt < 1000; ++attempt) {
      const std::string candidate = posix::TempName();
      const int rc = LinkAnonymous(out_.get(), dirfd, candidate);
      if (rc == 0) tempName_ = candidate;
      if (rc != 0 && rc != EEXIST) return rc;
    }
    return tempName_.empty() ? EEXIST : RenameOver();
  }

  int RenameOver() {
    const int dirfd = destDir_->fd.get();
    if (::renameat(dirfd, tempName_.c_str(), dirfd, dest_.c_str()) != 0) return errno;
    tempName_.clear();
    return 0;
  }

  // The folder's entries, where its file system flushes file by file. A
  // folder held only as a path cannot be flushed itself: its whole file
  // system is asked instead.
  int FlushFolder() const {
    const int rc = posix::FlushFolderAt(destDir_->fd.get());
    if (rc != EACCES && rc != EPERM) return rc;
    return ::syncfs(out_.get()) == 0 ? 0 : errno;
  }

  // Marks the keys of folders apart from those of whole file systems.
  static constexpr uint64_t kFolderKey = uint64_t{1} << 63;
  std::string tempName_;  // the named temporary while there is one
  struct stat src_;
  bool flushedAsAWhole_;
  uint64_t device_ = 0;
  bool published_ = false;
};

}  // namespace

namespace posix {

namespace {

std::unique_ptr<PendingCopyOps> PrepareCopyOnce(int sourceDirfd, const std::string& source,
                                                const std::shared_ptr<HeldFolder>& destFolder,
                                                const std::string& dest, bool synchronised,
                                                const CopyProgress& progress, int& error) {
  const int destDirfd = destFolder->fd.get();
  const auto fail = [&error](int code) -> std::unique_ptr<PendingCopyOps> {
    error = code;
    return nullptr;
  };
  // Non-blocking, so that a source swapped for a FIFO since it was looked
  // at cannot hang the run; only a regular file is read.
  UniqueFd in(::openat(sourceDirfd, source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!in.valid()) return fail(errno == ELOOP ? kErrAccessDenied : errno);
  struct stat src;
  if (::fstat(in.get(), &src) != 0) return fail(errno);
  if (!S_ISREG(src.st_mode)) return fail(kErrAccessDenied);
  // Back to blocking reads: O_NONBLOCK is the only status flag it was given.
  ::fcntl(in.get(), F_SETFL, 0);
  const bool archiveClear = synchronised || ArchiveClearFd(in.get(), src);

  // The copy is written to a file without a name and gets the destination's
  // name only once complete and flushed (Publish): a crash or a full disk
  // never leaves a truncated file there, nor a temporary one. Where the file
  // system has no unnamed files the copy is written to a named temporary;
  // one that a killed run leaves there is removed later (IsStaleTemporary).
  UniqueFd out(namedTemporaries ? -1 : ::openat(destDirfd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  std::string tempName;
  if (!out.valid()) {
    out = UniqueFd(CreateTempIn(destDirfd, "", tempName));
    if (!out.valid()) return fail(errno);
  }
  auto copy = std::make_unique<PosixPendingCopy>(std::move(out), destFolder, dest, tempName, src);
  const int fd = copy->fd();

  const Reporter reporter{progress, src.st_size, src.st_dev, copy->Device()};
  if (const int rc = CopyData(in.get(), fd, src, reporter)) return fail(rc);
  if (const int rc = SourceKept(in.get(), fd, src)) return fail(rc);
  if (archiveClear) {
    // Same time and size as the source, so the source's stamp describes the
    // copy. Written while the copy still has its owner's write bit: without
    // it only a privileged caller could attach the attribute.
    const std::string stamp = ArchiveStamp(src);
    ::fsetxattr(fd, kArchiveXattr, stamp.data(), stamp.size(), 0);
  }
  if (const int rc = CarryMode(fd, src.st_mode & 0777)) return fail(rc);
  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  if (::futimens(fd, times) != 0) return fail(errno);
  error = 0;
  return copy;
}

}  // namespace

std::unique_ptr<PendingCopyOps> PrepareCopyAt(int sourceDirfd, const std::string& source,
                                              const std::shared_ptr<HeldFolder>& destFolder,
                                              const std::string& dest, bool synchronised,
                                              const CopyProgress& progress, int& error) {
  // A source changed during its copy is copied once more at once, as it is
  // then; changed again, it waits for the next run.
  auto copy = PrepareCopyOnce(sourceDirfd, source, destFolder, dest, synchronised, progress, error);
  if (error != kErrChanged) return copy;
  return PrepareCopyOnce(sourceDirfd, source, destFolder, dest, synchronised, progress, error);
}

void FailNextModeChangeWith(int error) { modeChangeFault = error; }

int FlushFolderAt(int dirfd) {
  const UniqueFd folder(::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return errno;
  return ::fsync(folder.get()) == 0 || errno == EINVAL || errno == EOPNOTSUPP ? 0 : errno;
}

}  // namespace posix

void UseNamedTemporaries(bool on) { namedTemporaries = on; }

size_t CopiesPerFlush() {
  // One syncfs serves them all: more would only hold more descriptors and
  // make a Stop wait longer.
  return 1024;
}

size_t DescriptorLimit() {
  // Asked at each run, not once: the limit a run starts under is the one
  // it lives with.
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 256;
  if (limit.rlim_cur != RLIM_INFINITY &&
      (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > limit.rlim_cur)) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  constexpr rlim_t kPlenty = 1 << 20;
  return static_cast<size_t>(limit.rlim_cur == RLIM_INFINITY ? kPlenty : std::min(limit.rlim_cur, kPlenty));
}

}  // namespace tandrel::platform
