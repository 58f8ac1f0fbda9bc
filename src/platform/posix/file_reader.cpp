#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/preview_plan.h"

namespace tandrel::platform {

// A directory would open on Linux but is no file to read, and O_NONBLOCK keeps
// a FIFO standing at the path from blocking the run (it has no effect on
// regular files).
FileReader::FileReader(const std::string& path) { Open(AT_FDCWD, path, 0); }

FileReader::FileReader(const DirHandle& dir, const std::string& name) {
  if (posix::preview::Active()) {
    // A planned copy reads as the file it was planned from.
    std::string planned;
    error_ = posix::preview::ContentOf(dir, name, planned);
    if (error_ == 0 && !planned.empty()) Open(AT_FDCWD, planned, 0);
    if (error_ != 0 || !planned.empty()) return;
  }
  if (!dir.valid()) {
    error_ = dir.error();
    return;
  }
  Open(dir.fd(), name, O_NOFOLLOW);
}

void FileReader::Open(int dirfd, const std::string& name, int flags) {
  int fd;
  do {
    fd = ::openat(dirfd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    error_ = errno;
  } else if (!S_ISREG(st.st_mode)) {
    error_ = kErrNotRegularFile;
  }
  if (error_ != 0) {
    ::close(fd);
    return;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);  // a hint only; failure is harmless
  fd_ = fd;
}

FileReader::~FileReader() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t FileReader::ReadBlock(char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd_, buffer + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

}  // namespace tandrel::platform
