#include "platform/posix/temp_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <limits>
#include <string>
#include <string_view>

#include "platform/copies.h"
#include "platform/paths.h"

namespace tandrel::platform {
namespace posix {
namespace {

constexpr std::string_view kPrefix = ".tandrel-";

std::string NameFor(long pid, unsigned long counter) {
  return std::string(kPrefix) + std::to_string(pid) + "." + std::to_string(counter);
}

// Whether `name` is exactly a name TempName() gives, in any process; the id
// of that process in `pid`.
bool ParseTempName(const std::string& name, long& pid) {
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  const char* const end = name.data() + name.size();
  long id = 0;
  const auto [dot, idError] = std::from_chars(name.data() + kPrefix.size(), end, id);
  if (idError != std::errc() || dot == end || *dot != '.') return false;
  if (id <= 0 || id > std::numeric_limits<pid_t>::max()) return false;
  unsigned long counter = 0;
  const auto [last, counterError] = std::from_chars(dot + 1, end, counter);
  if (counterError != std::errc() || last != end) return false;
  pid = id;
  // Written back exactly as read: no sign, no leading zeros.
  return NameFor(id, counter) == name;
}

}  // namespace

std::string TempName() {
  // Names from a per-process counter rather than random ones: a large
  // directory takes sequential names several times faster.
  static std::atomic<unsigned long> counter = 0;
  return NameFor(::getpid(), counter++);
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
  return CreateTempIn(AT_FDCWD, ParentFolder(path), tempPath);
}

}  // namespace posix

bool IsStaleTemporary(const std::string& name) {
  long pid = 0;
  if (!posix::ParseTempName(name, pid)) return false;
  // A process of another user answers EPERM: alive, so its file is in use.
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace tandrel::platform
