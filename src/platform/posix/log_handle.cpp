#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/preview_plan.h"

namespace tandrel::platform {
namespace {

// Takes the file for this run alone (as the log writer holds it without
// sharing) and keeps the descriptor positive, since 0 means "not opened".
int32_t Claim(int fd) {
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  if (fd == 0) {
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved < 0 ? -1 : moved;
  }
  return fd;
}

}  // namespace

// A preview writes no log file.
int32_t OpenExistingForWrite(const std::string& path) {
  if (posix::preview::Active()) return -1;
  return Claim(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
}

int32_t CreateTruncate(const std::string& path) {
  if (posix::preview::Active()) return -1;
  // Truncate only once the lock is held, so another run's file is never emptied.
  const int32_t fd = Claim(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (fd > 0 && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void SeekToEnd(int32_t handle) { ::lseek(handle, 0, SEEK_END); }

int WriteBytes(int32_t handle, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(handle, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

void CloseHandle(int32_t handle) {
  if (handle > 0) ::close(handle);
}

}  // namespace tandrel::platform
