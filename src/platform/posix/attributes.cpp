#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/archive.h"
#include "platform/posix/at_ops.h"
#include "platform/posix/preview_plan.h"
#include "platform/posix/unique_fd.h"

namespace tandrel::platform {
namespace posix {

std::string ArchiveStamp(const struct stat& st) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld.%09ld:%lld", static_cast<long long>(st.st_mtim.tv_sec),
                static_cast<long>(st.st_mtim.tv_nsec), static_cast<long long>(st.st_size));
  return buf;
}

namespace {
bool StampMatches(const char* value, ssize_t n, const struct stat& st) {
  if (n <= 0) return false;
  const std::string expected = ArchiveStamp(st);
  return static_cast<size_t>(n) == expected.size() && std::memcmp(value, expected.data(), n) == 0;
}
}  // namespace

bool ArchiveClearAt(int dirfd, const std::string& name, const struct stat& st) {
  // The directory's /proc entry leads through the descriptor to the very
  // directory it holds; lgetxattr leaves a link in the final place alone.
  const std::string path = dirfd == AT_FDCWD ? name : "/proc/self/fd/" + std::to_string(dirfd) + "/" + name;
  char value[64];
  const ssize_t n = ::lgetxattr(path.c_str(), kArchiveXattr, value, sizeof value);
  return StampMatches(value, n, st);
}

bool ArchiveClearFd(int fd, const struct stat& st) {
  char value[64];
  const ssize_t n = ::fgetxattr(fd, kArchiveXattr, value, sizeof value);
  return StampMatches(value, n, st);
}

}  // namespace posix

namespace {

std::string_view BaseName(const std::string& path) {
  std::string_view p(path);
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  const auto slash = p.rfind('/');
  return slash == std::string_view::npos ? p : p.substr(slash + 1);
}

}  // namespace

namespace posix {

uint32_t GetAttributesAt(int dirfd, const std::string& name, int* error) {
  struct stat st;
  if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (error) *error = errno;
    return kInvalidAttributes;
  }
  return AttributesFromStat(dirfd, name, st);
}

uint32_t AttributesFromStat(int dirfd, const std::string& name, const struct stat& st) {
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode)) {
    a |= attr::Directory;
  } else if (!S_ISREG(st.st_mode)) {
    a |= attr::System;
  }
  if ((st.st_mode & 0222) == 0) a |= attr::ReadOnly;
  const auto base = BaseName(name);
  if (!base.empty() && base[0] == '.') a |= attr::Hidden;
  if (S_ISREG(st.st_mode) && !posix::ArchiveClearAt(dirfd, name, st)) a |= attr::Archive;
  return a;
}

}  // namespace posix

namespace {

enum class ArchiveChange { None, Write, Remove };

// What the archive mark of `file` needs to reach the wanted state. Nothing
// is written when the state is right already, so a read-only file is only
// touched when it must be.
ArchiveChange PlanArchive(const std::string& file, const struct stat& st, bool wantArchive) {
  char value[64];
  const ssize_t n = ::getxattr(file.c_str(), posix::kArchiveXattr, value, sizeof value);
  // Without user extended attributes the archive attribute simply stays set.
  if (n < 0 && errno == ENOTSUP) return ArchiveChange::None;
  // A mark the caller may not read is taken as present.
  const bool present = n >= 0 || errno == ERANGE || errno == EACCES;
  if (wantArchive) return present ? ArchiveChange::Remove : ArchiveChange::None;
  return posix::StampMatches(value, n, st) ? ArchiveChange::None : ArchiveChange::Write;
}

int ApplyArchive(const std::string& file, const struct stat& st, ArchiveChange change) {
  if (change == ArchiveChange::Remove) {
    return ::removexattr(file.c_str(), posix::kArchiveXattr) == 0 || errno == ENODATA ? 0 : errno;
  }
  const std::string stamp = posix::ArchiveStamp(st);
  if (::setxattr(file.c_str(), posix::kArchiveXattr, stamp.data(), stamp.size(), 0) == 0) return 0;
  return errno == ENOTSUP ? 0 : errno;
}

}  // namespace

namespace posix {

int SetAttributesAt(int dirfd, const std::string& name, uint32_t attributes) {
  // The file is pinned once, so that its mode, its stamp and every change
  // below concern the same file even if its name is taken over meanwhile;
  // its /proc name reaches exactly that file and never follows a link.
  posix::UniqueFd pin(::openat(dirfd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!pin.valid()) return errno;
  struct stat st;
  if (::fstat(pin.get(), &st) != 0) return errno;
  // Links and special files carry no attributes of their own here.
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? 0 : kErrAccessDenied;
  const std::string file = "/proc/self/fd/" + std::to_string(pin.get());

  const mode_t mode = st.st_mode & 07777;
  const bool wantReadOnly = (attributes & attr::ReadOnly) != 0;
  const bool isReadOnly = (mode & 0222) == 0;
  mode_t target = mode;
  if (wantReadOnly && !isReadOnly) target = mode & 07555;
  if (!wantReadOnly && isReadOnly) target = mode | 0200;

  // The mode first: a caller who may not change it is refused before
  // anything else has changed.
  if (target != mode && ::chmod(file.c_str(), target) != 0) return errno;
  const ArchiveChange change = PlanArchive(file, st, (attributes & attr::Archive) != 0);
  if (change == ArchiveChange::None) return 0;
  int rc = ApplyArchive(file, st, change);
  if (rc == EACCES && (target & 0200) == 0) {
    // Only a caller who may write a file may change its mark. The owner of a
    // file without the owner's write bit holds that bit for the instant of
    // the change; the exact mode comes back whatever the outcome.
    if (::chmod(file.c_str(), target | 0200) == 0) {
      rc = ApplyArchive(file, st, change);
      if (::chmod(file.c_str(), target) != 0 && rc == 0) rc = errno;
    }
  }
  // A refused archive change takes the mode change back: all or nothing.
  if (rc != 0 && target != mode) ::chmod(file.c_str(), mode);
  return rc;
}

int64_t FileAgeAt(int dirfd, const std::string& name) {
  struct stat st;
  if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
  return AgeFromStat(st);
}

// Only a regular file has an age: a link standing where a file belongs is
// no copy of it, whatever its own time says.
int64_t AgeFromStat(const struct stat& st) { return S_ISREG(st.st_mode) ? AgeOfTime(st.st_mtime) : -1; }

int EntryErrorAt(int dirfd, const std::string& name) {
  struct stat st;
  return ::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

}  // namespace posix

uint32_t GetAttributes(const std::string& path, int* error) {
  if (posix::preview::Active()) {
    std::string name;
    return posix::preview::OpenParent(path, name).GetAttributes(name, error);
  }
  return posix::GetAttributesAt(AT_FDCWD, path, error);
}

int SetAttributes(const std::string& path, uint32_t attributes) {
  if (posix::preview::Active()) {
    std::string name;
    return posix::preview::OpenParent(path, name).SetAttributes(name, attributes);
  }
  return posix::SetAttributesAt(AT_FDCWD, path, attributes);
}

namespace {

// The offset of local time from UTC in force now. Every time is shifted by
// this one offset, not by the offset of its own date, so that the order of
// packed ages follows the order of the real times across a clock change.
// Looked up at most once a second: it is asked for twice per file.
long UtcOffsetNow() {
  static thread_local std::time_t cachedAt = -1;
  static thread_local long offset = 0;
  const std::time_t now = std::time(nullptr);
  if (now != cachedAt) {
    std::tm tm{};
    offset = ::localtime_r(&now, &tm) ? tm.tm_gmtoff : 0;
    cachedAt = now;
  }
  return offset;
}

}  // namespace

int64_t AgeOfTime(std::time_t t) {
  // Floored to an even second, also before 1970, as a DOS date-time keeps it.
  const int64_t local = static_cast<int64_t>(t) + UtcOffsetNow();
  return local - (((local % 2) + 2) % 2);
}

int64_t FileAge(const std::string& path) {
  if (posix::preview::Active()) {
    std::string name;
    return posix::preview::OpenParent(path, name).FileAge(name);
  }
  return posix::FileAgeAt(AT_FDCWD, path);
}

bool AgeIsNewer(int64_t age, int64_t than) {
  // -1 (missing) is older than everything.
  if (age == -1) return false;
  return than == -1 || age > than;
}

bool DirectoryExists(const std::string& path, bool followLinks) {
  if (posix::preview::Active()) return posix::preview::DirectoryExists(path, followLinks);
  struct stat st;
  const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return rc == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  if (posix::preview::Active()) {
    std::string name;
    return posix::preview::OpenParent(path, name).FileExists(name);
  }
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool ResolvePath(const std::string& path, std::string& resolved) {
  if (posix::preview::Active()) return posix::preview::ResolvePath(path, resolved);
  char* r = ::realpath(path.c_str(), nullptr);
  if (!r) return false;
  resolved = r;
  std::free(r);
  return true;
}

bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) {
  if (posix::preview::Active()) return posix::preview::Identity(path, device, inode);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

bool ModificationTime(const std::string& path, std::time_t& mtime) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  mtime = st.st_mtime;
  return true;
}

}  // namespace tandrel::platform
