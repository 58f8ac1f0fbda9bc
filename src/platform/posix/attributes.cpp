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

std::string XattrPath(int dirfd, const std::string& name) {
  return dirfd == AT_FDCWD ? name : "/proc/self/fd/" + std::to_string(dirfd) + "/" + name;
}

bool ArchiveClear(const std::string& path, const struct stat& st) {
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

uint32_t AttributesOf(int dirfd, const std::string& path, const struct stat& st) {
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode)) {
    a |= attr::Directory;
  } else if (!S_ISREG(st.st_mode)) {
    a |= attr::System;
  }
  if ((st.st_mode & 0222) == 0) a |= attr::ReadOnly;
  const auto base = BaseName(path);
  if (!base.empty() && base[0] == '.') a |= attr::Hidden;
  if (S_ISREG(st.st_mode) && !posix::ArchiveClear(posix::XattrPath(dirfd, path), st)) a |= attr::Archive;
  return a;
}

}  // namespace

namespace posix {

uint32_t AttributesAt(int dirfd, const std::string& path, int* error) {
  struct stat st;
  if (::fstatat(dirfd, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (error) *error = errno;
    return kInvalidAttributes;
  }
  return AttributesOf(dirfd, path, st);
}

int SetAttributesAt(int dirfd, const std::string& path, uint32_t attributes) {
  struct stat st;
  if (::fstatat(dirfd, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  // Links and special files carry no attributes of their own here.
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? 0 : kErrAccessDenied;

  const bool wantReadOnly = (attributes & attr::ReadOnly) != 0;
  const bool isReadOnly = (st.st_mode & 0222) == 0;
  if (wantReadOnly != isReadOnly) {
    const mode_t mode = wantReadOnly ? (st.st_mode & 07555) : ((st.st_mode & 07777) | 0200);
    if (::fchmodat(dirfd, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  }

  const std::string xattrPath = XattrPath(dirfd, path);
  const bool wantArchive = (attributes & attr::Archive) != 0;
  if (wantArchive) {
    if (::lremovexattr(xattrPath.c_str(), posix::kArchiveXattr) != 0 && errno != ENODATA && errno != ENOTSUP) {
      return errno;
    }
  } else {
    const std::string stamp = posix::ArchiveStamp(st);
    if (::lsetxattr(xattrPath.c_str(), posix::kArchiveXattr, stamp.data(), stamp.size(), 0) != 0) {
      // Without user extended attributes the archive attribute simply stays set.
      if (errno != ENOTSUP) return errno;
    }
  }
  return 0;
}

int32_t FileAgeAt(int dirfd, const std::string& path) {
  struct stat st;
  if (::fstatat(dirfd, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) return -1;
  return DosDateTime(st.st_mtime);
}

}  // namespace posix

uint32_t GetAttributes(const std::string& path, int* error) { return posix::AttributesAt(AT_FDCWD, path, error); }

int SetAttributes(const std::string& path, uint32_t attributes) {
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

int32_t DosDateTime(std::time_t t) {
  std::tm tm{};
  const std::time_t local = t + UtcOffsetNow();
  if (!::gmtime_r(&local, &tm)) return 0x00210000;  // 1980-01-01 00:00:00
  const int year = tm.tm_year + 1900;
  if (year < 1980) return 0x00210000;
  if (year > 2107) {
    // 2107-12-31 23:59:58, the last value the packed form can hold.
    return static_cast<int32_t>((127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u);
  }
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (static_cast<uint32_t>(tm.tm_mon + 1) << 5) |
                        static_cast<uint32_t>(tm.tm_mday);
  const uint32_t time = (static_cast<uint32_t>(tm.tm_hour) << 11) | (static_cast<uint32_t>(tm.tm_min) << 5) |
                        static_cast<uint32_t>(tm.tm_sec / 2);
  return static_cast<int32_t>((date << 16) | time);
}

int32_t FileAge(const std::string& path) { return posix::FileAgeAt(AT_FDCWD, path); }

bool AgeIsNewer(int32_t age, int32_t than) {
  // -1 (missing) is older than everything; real ages compare unsigned, so the
  // dates from 2044 on, whose top bit is set, still count as newer.
  if (age == -1) return false;
  if (than == -1) return true;
  return static_cast<uint32_t>(age) > static_cast<uint32_t>(than);
}

bool DirectoryExists(const std::string& path, bool followLinks) {
  struct stat st;
  const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return rc == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool ResolvePath(const std::string& path, std::string& resolved) {
  char* r = ::realpath(path.c_str(), nullptr);
  if (!r) return false;
  resolved = r;
  std::free(r);
  return true;
}

bool Identity(const std::string& path, uint64_t& device, uint64_t& inode) {
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
