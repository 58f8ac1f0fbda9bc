#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/platform.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/preview_plan.h"

namespace tandrel::platform {
namespace {

// O_PATH: the handle only anchors lookups, so a folder that may be searched
// but not listed still serves; listing opens the folder again for reading.
constexpr int kOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

bool StatAt(int fd, const std::string& name, struct stat& st) {
  return fd >= 0 && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

namespace preview = posix::preview;

DirHandle::DirHandle(const std::string& directory) {
  if (preview::Active()) {
    *this = preview::Open(directory);
    return;
  }
  fd_ = ::open(directory.c_str(), kOpenFlags);
  if (fd_ < 0) error_ = errno;
}

DirHandle::DirHandle(const DirHandle& parent, const std::string& name) {
  if (preview::Active()) {
    *this = preview::OpenSub(parent, name);
    return;
  }
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
    : fd_(std::exchange(other.fd_, -1)),
      error_(std::exchange(other.error_, 0)),
      path_(std::move(other.path_)),
      planned_(std::exchange(other.planned_, false)) {}

DirHandle& DirHandle::operator=(DirHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    error_ = std::exchange(other.error_, 0);
    path_ = std::move(other.path_);
    planned_ = std::exchange(other.planned_, false);
  }
  return *this;
}

int64_t DirHandle::FileAge(const std::string& name) const {
  if (preview::Active()) return preview::FileAge(*this, name);
  return valid() ? posix::FileAgeAt(fd_, name) : -1;
}

bool DirHandle::FileExists(const std::string& name) const {
  if (preview::Active()) return preview::FileExists(*this, name);
  struct stat st;
  return StatAt(fd_, name, st) && !S_ISDIR(st.st_mode);
}

bool DirHandle::DirectoryExists(const std::string& name) const {
  if (preview::Active()) return preview::DirectoryExists(*this, name);
  struct stat st;
  return StatAt(fd_, name, st) && S_ISDIR(st.st_mode);
}

uint32_t DirHandle::GetAttributes(const std::string& name, int* error) const {
  if (preview::Active()) return preview::GetAttributes(*this, name, error);
  if (valid()) return posix::GetAttributesAt(fd_, name, error);
  if (error) *error = error_;
  return kInvalidAttributes;
}

int DirHandle::SetAttributes(const std::string& name, uint32_t attributes) const {
  if (preview::Active()) return preview::SetAttributes(*this, name, attributes);
  return valid() ? posix::SetAttributesAt(fd_, name, attributes) : error_;
}

bool DirHandle::Identity(const std::string& name, uint64_t& device, uint64_t& inode) const {
  if (preview::Active()) return preview::Identity(*this, name, device, inode);
  struct stat st;
  if (!StatAt(fd_, name, st)) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

int DirHandle::EntryError(const std::string& name) const {
  if (preview::Active()) return preview::EntryError(*this, name);
  return fd_ >= 0 ? posix::EntryErrorAt(fd_, name) : error_ != 0 ? error_ : kErrNotFound;
}

int DirHandle::DeleteFile(const std::string& name) const {
  if (preview::Active()) return preview::DeleteFile(*this, name);
  return valid() ? posix::DeleteFileAt(fd_, name) : error_;
}

int DirHandle::DeleteStaleTemporary(const std::string& name) const {
  if (!IsStaleTemporary(name)) return kErrAccessDenied;
  if (preview::Active()) return preview::DeleteStaleTemporary(*this, name);
  if (!valid()) return error_;
  // Read-only or not: a copy killed after taking its source's permission
  // bits leaves a read-only temporary.
  struct stat st;
  if (!StatAt(fd_, name, st)) return errno;
  if (!S_ISREG(st.st_mode)) return kErrAccessDenied;
  return ::unlinkat(fd_, name.c_str(), 0) == 0 ? 0 : errno;
}

int DirHandle::RemoveDirectory(const std::string& name) const {
  if (preview::Active()) return preview::RemoveDirectory(*this, name);
  if (!valid()) return error_;
  return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

int DirHandle::CreateDirectory(const std::string& name) const {
  if (preview::Active()) return preview::CreateDirectory(*this, name);
  if (!valid()) return error_;
  return ::mkdirat(fd_, name.c_str(), 0777) == 0 ? 0 : errno;
}

DirHandle DirHandle::Duplicate() const {
  if (preview::Active()) return preview::Duplicate(*this);
  DirHandle copy;
  if (!valid()) {
    copy.error_ = error_;
    return copy;
  }
  copy.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (copy.fd_ < 0) copy.error_ = errno;
  return copy;
}

}  // namespace tandrel::platform
