#include "platform/posix/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tandrel::platform::posix {

std::string TempName() {
  // Names from a per-process counter rather than random ones: a large
  // directory takes sequential names several times faster.
  static unsigned long counter = 0;
  return ".tandrel-" + std::to_string(::getpid()) + "." + std::to_string(counter++);
}

std::string TempNameBeside(const std::string& path) {
  const auto slash = path.rfind('/');
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + TempName();
}

int CreateTempIn(int dirfd, const std::string& folder, std::string& tempPath) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    tempPath = folder + TempName();
    const int fd =
        ::openat(dirfd, tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int CreateTempBeside(const std::string& path, std::string& tempPath) {
  const auto slash = path.rfind('/');
  return CreateTempIn(AT_FDCWD, slash == std::string::npos ? std::string() : path.substr(0, slash + 1),
                      tempPath);
}

}  // namespace tandrel::platform::posix
