#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/posix/archive.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/test_seams.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {
namespace {

using posix::TempFileGuard;
using posix::UniqueFd;

// Whom a copy tells how far it has come, and the whole size.
struct Reporter {
  const CopyProgress& progress;
  off_t size;
  // False when the caller wants the copy abandoned.
  bool GoOn(off_t copied) const { return !progress || progress(copied, size); }
};

// Copies the bytes [at, at + length) of `in` to the same place in `out`;
// fewer when the source has shrunk meanwhile. 0 or the error code.
int CopyRange(int in, int out, off_t at, off_t length, const Reporter& reporter) {
  const off_t first = at, end = at + length;
  // Told in steps small enough for the caller to answer soon; a file copied
  // in one step is not told about at all.
  const off_t step = reporter.progress ? off_t{8} << 20 : off_t{1} << 30;
  bool kernelCopy = true;
  while (at < end) {
    if (at > first && !reporter.GoOn(at)) return ECANCELED;
    if (kernelCopy) {
      loff_t from = at, to = at;
      const ssize_t n = ::copy_file_range(in, &from, out, &to, std::min<off_t>(end - at, step), 0);
      if (n > 0) {
        at += n;
        continue;
      }
      if (n == 0) return 0;
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM) {
        kernelCopy = false;  // fall back to plain reads and writes
        continue;
      }
      return errno;
    }
    static thread_local std::vector<char> buffer(1 << 20);
    const ssize_t n = ::pread(in, buffer.data(), std::min<off_t>(end - at, buffer.size()), at);
    if (n == 0) return 0;
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

}  // namespace

namespace posix {

int CopyFileAt(int sourceDirfd, const std::string& source, int destDirfd, const std::string& dest,
               const CopyProgress& progress) {
  struct stat dst;
  const bool destExists = ::fstatat(destDirfd, dest.c_str(), &dst, AT_SYMLINK_NOFOLLOW) == 0;

  // Non-blocking, so that a source swapped for a FIFO since it was looked
  // at cannot hang the run; only a regular file is read.
  UniqueFd in(::openat(sourceDirfd, source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!in.valid()) return errno == ELOOP ? kErrAccessDenied : errno;
  struct stat src;
  if (::fstat(in.get(), &src) != 0) return errno;
  if (!S_ISREG(src.st_mode)) return kErrAccessDenied;
  ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
  const bool archiveClear = ArchiveClearFd(in.get(), src);

  // The copy is written to a file without a name and appears under the
  // destination's name only when complete: a crash or a full disk never
  // leaves a truncated file there, nor a temporary one. A new file is linked
  // in directly; an existing one is replaced through a named temporary and a
  // rename. Where the file system has no unnamed files the copy is written
  // to a named temporary from the start; one that a killed run leaves there
  // is removed by a later cleanup (IsStaleTemporary).
  const std::string folder = ParentFolder(dest);
  UniqueFd out(namedTemporaries ? -1
                                : ::openat(destDirfd, folder.empty() ? "." : folder.c_str(),
                                           O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  std::string tempPath;
  const bool anonymous = out.valid();
  if (!anonymous) {
    out = UniqueFd(CreateTempIn(destDirfd, folder, tempPath));
    if (!out.valid()) return errno;
  }
  TempFileGuard guard(tempPath, destDirfd);

  if (const int rc = CopyData(in.get(), out.get(), src, Reporter{progress, src.st_size})) return rc;
  if (archiveClear) {
    // Same time and size as the source, so the source's stamp describes the
    // copy. Written while the copy still has its owner's write bit: without
    // it only a privileged caller could attach the attribute.
    const std::string stamp = ArchiveStamp(src);
    ::fsetxattr(out.get(), kArchiveXattr, stamp.data(), stamp.size(), 0);
  }
  if (const int rc = CarryMode(out.get(), src.st_mode & 0777)) return rc;
  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  if (::futimens(out.get(), times) != 0) return errno;

  if (anonymous) {
    int rc = destExists ? EEXIST : LinkAnonymous(out.get(), destDirfd, dest);
    if (rc == 0) return out.close() == 0 ? 0 : errno;
    if (rc != EEXIST) return rc;
    // Something stands at the destination: give the copy a temporary name
    // and rename it over.
    for (int attempt = 0; attempt < 1000; ++attempt) {
      const std::string candidate = folder + TempName();
      rc = LinkAnonymous(out.get(), destDirfd, candidate);
      if (rc == 0) {
        tempPath = candidate;
        break;
      }
      if (rc != EEXIST) return rc;
    }
    if (rc != 0) return rc;
    guard.Reset(tempPath);
  }
  if (out.close() != 0) return errno;
  if (::renameat(destDirfd, tempPath.c_str(), destDirfd, dest.c_str()) != 0) return errno;
  guard.Keep();
  return 0;
}

void FailNextModeChangeWith(int error) { modeChangeFault = error; }

}  // namespace posix

void UseNamedTemporaries(bool on) { namedTemporaries = on; }

}  // namespace tandrel::platform
