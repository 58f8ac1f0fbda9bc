#include "platform/posix/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tandrel::platform::posix {

std::string TempNameBeside(const std::string& path) {
  // Names from a per-process counter rather than random ones: a large
  // directory takes sequential names several times faster.
  static unsigned long counter = 0;
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return folder + ".tandrel-" + std::to_string(::getpid()) + "." + std::to_string(counter++);
}

int CreateTempBeside(const std::string& path, std::string& tempPath) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    tempPath = TempNameBeside(path);
    const int fd = ::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace tandrel::platform::posix
