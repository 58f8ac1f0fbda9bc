#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/archive.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {
namespace {

using posix::TempFileGuard;
using posix::UniqueFd;

// Copies all bytes from `in` to `out`; 0 or the error code.
int CopyData(int in, int out) {
  bool kernelCopy = true;
  for (;;) {
    if (kernelCopy) {
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
      if (n > 0) continue;
      if (n == 0) return 0;
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM) {
        kernelCopy = false;  // fall back to plain reads and writes
        continue;
      }
      return errno;
    }
    static thread_local std::vector<char> buffer(1 << 20);
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer.data() + done, n - done);
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
}

}  // namespace

int CopyFileReplace(const std::string& source, const std::string& dest) {
  struct stat dst;
  if (::lstat(dest.c_str(), &dst) == 0) {
    // A directory or a read-only file is never replaced, not even by root.
    if (S_ISDIR(dst.st_mode) || (S_ISREG(dst.st_mode) && (dst.st_mode & 0222) == 0)) return kErrAccessDenied;
  }

  UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!in.valid()) return errno == ELOOP ? kErrAccessDenied : errno;
  struct stat src;
  if (::fstat(in.get(), &src) != 0) return errno;
  if (!S_ISREG(src.st_mode)) return kErrAccessDenied;
  const bool archiveClear = posix::ArchiveClearFd(in.get(), src);

  std::string tempPath;
  UniqueFd out(posix::CreateTempBeside(dest, tempPath));
  if (!out.valid()) return errno;
  TempFileGuard guard(tempPath);

  if (const int rc = CopyData(in.get(), out.get())) return rc;
  if (::fchmod(out.get(), src.st_mode & 0777) != 0) return errno;
  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  if (::futimens(out.get(), times) != 0) return errno;
  if (archiveClear) {
    // Same time and size as the source, so the source's stamp describes the copy.
    const std::string stamp = posix::ArchiveStamp(src);
    ::fsetxattr(out.get(), posix::kArchiveXattr, stamp.data(), stamp.size(), 0);
  }
  if (out.close() != 0) return errno;
  if (::rename(tempPath.c_str(), dest.c_str()) != 0) return errno;
  guard.Keep();
  return 0;
}

int DeleteFile(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno;
  // A read-only file is protected from deletion, as the user expects.
  if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) return kErrAccessDenied;
  if (S_ISDIR(st.st_mode)) return kErrAccessDenied;
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int RemoveDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0 ? 0 : errno; }

int CreateDirectories(const std::string& path) {
  if (path.empty()) return kErrNotFound;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (::mkdir(p.c_str(), 0777) == 0) return 0;
  if (errno == EEXIST) return DirectoryExists(p, true) ? 0 : EEXIST;
  if (errno != ENOENT) return errno;
  const auto slash = p.rfind('/');
  if (slash == std::string::npos || slash == 0) return ENOENT;
  if (const int rc = CreateDirectories(p.substr(0, slash))) return rc;
  if (::mkdir(p.c_str(), 0777) == 0) return 0;
  return errno == EEXIST && DirectoryExists(p, true) ? 0 : errno;
}

}  // namespace tandrel::platform
