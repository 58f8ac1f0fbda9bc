#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform.h"
#include "platform/posix/preview_plan.h"

namespace tandrel::platform {

RunLock::RunLock(const std::string& configPath) {
  if (posix::preview::Active()) {
    busy_ = posix::preview::LockBusy(configPath);
    return;
  }
  // A lock file beside the configuration; where none can be made (a folder
  // the user may not write), the folder itself carries the lock.
  const std::string lockPath = configPath + ".lock";
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  // A lock file left by another user's run is not ours to write, but flock
  // needs no write access: locking the folder instead would run alongside
  // that user's run. (Non-blocking, so that a FIFO there cannot hold us.)
  if (fd_ < 0) fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd_ < 0) {
    const auto slash = configPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : configPath.substr(0, slash + 1);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  // The kernel drops the lock with the descriptor, also when the process dies.
  if (fd_ < 0) return;
  held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
  busy_ = !held_ && errno == EWOULDBLOCK;
}

RunLock::~RunLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace tandrel::platform
