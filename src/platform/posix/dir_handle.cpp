#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/platform.h"

namespace tandrel::platform {
namespace {

bool StatAt(int fd, const std::string& name, struct stat& st) {
  return fd >= 0 && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

DirHandle::DirHandle(const std::string& directory)
    : fd_(::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

DirHandle::~DirHandle() {
  if (fd_ >= 0) ::close(fd_);
}

DirHandle::DirHandle(DirHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

DirHandle& DirHandle::operator=(DirHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

int32_t DirHandle::FileAge(const std::string& name) const {
  struct stat st;
  if (!StatAt(fd_, name, st) || S_ISDIR(st.st_mode)) return -1;
  return DosDateTime(st.st_mtime);
}

bool DirHandle::FileExists(const std::string& name) const {
  struct stat st;
  return StatAt(fd_, name, st) && !S_ISDIR(st.st_mode);
}

bool DirHandle::DirectoryExists(const std::string& name) const {
  struct stat st;
  return StatAt(fd_, name, st) && S_ISDIR(st.st_mode);
}

}  // namespace tandrel::platform
