#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/platform.h"
#include "platform/posix/at_ops.h"

namespace tandrel::platform {
namespace {

// O_PATH: the handle only anchors lookups, so a folder that may be searched
// but not listed still serves; listing opens the folder again for reading.
constexpr int kOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

bool StatAt(int fd, const std::string& name, struct stat& st) {
  return fd >= 0 && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

DirHandle::DirHandle(const std::string& directory) : fd_(::open(directory.c_str(), kOpenFlags)) {
  if (fd_ < 0) error_ = errno;
}

DirHandle::DirHandle(const DirHandle& parent, const std::string& name) {
  if (!parent.valid()) {
    error_ = parent.error_ != 0 ? parent.error_ : kErrNotFound;
    return;
  }
  fd_ = ::openat(parent.fd_, name.c_str(), kOpenFlags | O_NOFOLLOW);
  if (fd_ < 0) {
    // With O_PATH a link can be opened as itself; say what a plain open says.
    error_ = errno == ELOOP ? ENOTDIR : errno;
  }
}

DirHandle::~DirHandle() {
  if (fd_ >= 0) ::close(fd_);
}

DirHandle::DirHandle(DirHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(std::exchange(other.error_, 0)) {}

DirHandle& DirHandle::operator=(DirHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    error_ = std::exchange(other.error_, 0);
  }
  return *this;
}

int32_t DirHandle::FileAge(const std::string& name) const {
  return valid() ? posix::FileAgeAt(fd_, name) : -1;
}

bool DirHandle::FileExists(const std::string& name) const {
  struct stat st;
  return StatAt(fd_, name, st) && !S_ISDIR(st.st_mode);
}

bool DirHandle::DirectoryExists(const std::string& name) const {
  struct stat st;
  return StatAt(fd_, name, st) && S_ISDIR(st.st_mode);
}

uint32_t DirHandle::GetAttributes(const std::string& name, int* error) const {
  if (valid()) return posix::GetAttributesAt(fd_, name, error);
  if (error) *error = error_;
  return kInvalidAttributes;
}

int DirHandle::SetAttributes(const std::string& name, uint32_t attributes) const {
  return valid() ? posix::SetAttributesAt(fd_, name, attributes) : error_;
}

bool DirHandle::Identity(const std::string& name, uint64_t& device, uint64_t& inode) const {
  struct stat st;
  if (!StatAt(fd_, name, st)) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

int DirHandle::DeleteFile(const std::string& name) const {
  return valid() ? posix::DeleteFileAt(fd_, name) : error_;
}

int DirHandle::RemoveDirectory(const std::string& name) const {
  if (!valid()) return error_;
  return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

int DirHandle::CreateDirectory(const std::string& name) const {
  if (!valid()) return error_;
  return ::mkdirat(fd_, name.c_str(), 0777) == 0 ? 0 : errno;
}

DirHandle DirHandle::Duplicate() const {
  DirHandle copy;
  if (!valid()) {
    copy.error_ = error_;
    return copy;
  }
  copy.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (copy.fd_ < 0) copy.error_ = errno;
  return copy;
}

void DirHandle::Warm(const std::function<void(const std::string&)>& subfolder) const {
  DirSearch search(*this, "*", attr::All);
  FindEntry entry;
  struct stat st;
  while (search.Next(entry)) {
    if (StatAt(fd_, entry.name, st) && entry.isDirectory && subfolder) subfolder(entry.name);
  }
}

}  // namespace tandrel::platform
