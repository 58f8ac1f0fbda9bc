#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/temp_file.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {
namespace {

FileStamp StampFromStat(const struct stat& st) {
  FileStamp s;
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

int WriteAll(int fd, const std::string& content) {
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  return StampFromStat(st);
}

int posix::OpenRegularFile(const std::string& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  UniqueFd file(fd);
  struct stat st;
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : kErrNotRegularFile;
  } else if (const int status = ::fcntl(fd, F_GETFL);
             status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    error = errno;
  }
  if (error == 0) return file.release();
  file.reset();
  errno = error;
  return -1;
}

int ReadWholeFile(const std::string& path, std::string& content, FileStamp* stamp) {
  content.clear();
  if (stamp) *stamp = {};
  posix::UniqueFd fd(posix::OpenRegularFile(path, O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return errno;
  content.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      content.clear();
      return err;
    }
    content.append(buffer, static_cast<size_t>(n));
  }
  if (stamp) *stamp = StampFromStat(st);
  return 0;
}

int posix::WriteFileAtomicAt(const std::string& path, const std::string& content) {
  // Write through a link to the file it names, so a linked configuration
  // file stays linked.
  std::string target = path;
  char resolved[PATH_MAX];
  struct stat st;
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    if (!::realpath(path.c_str(), resolved)) return errno;
    target = resolved;
    exists = ::stat(target.c_str(), &st) == 0;
  }
  mode_t mode;
  if (exists) {
    if (!S_ISREG(st.st_mode)) return kErrAccessDenied;
    if ((st.st_mode & 0222) == 0) return kErrAccessDenied;  // also as root
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  std::string tempPath;
  posix::UniqueFd fd(posix::CreateTempBeside(target, tempPath));
  if (!fd.valid()) return errno;
  posix::TempFileGuard guard(tempPath);
  if (const int rc = WriteAll(fd.get(), content)) return rc;
  if (::fchmod(fd.get(), mode) != 0) return errno;
  if (exists && ::geteuid() == 0) {
    // Root editing a user's file must not take it away from its owner.
    if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) { /* keep root's ownership */
    }
  }
  if (::fdatasync(fd.get()) != 0) return errno;
  if (fd.close() != 0) return errno;
  if (::rename(tempPath.c_str(), target.c_str()) != 0) return errno;
  guard.Keep();
  return 0;
}

}  // namespace tandrel::platform
