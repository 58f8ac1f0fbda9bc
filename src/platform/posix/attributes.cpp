#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/posix/archive.h"
#include "platform/posix/at_ops.h"
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

namespace posix {

EntryFacts FactsFromStat(const std::string& name, const struct stat& st) {
  EntryFacts facts;
  facts.error = 0;
  facts.isDirectory = S_ISDIR(st.st_mode);
  facts.isRegular = S_ISREG(st.st_mode);
  uint32_t a = facts.isDirectory ? attr::Directory : facts.isRegular ? 0 : attr::System;
  if ((st.st_mode & 0222) == 0) a |= attr::ReadOnly;
  if (IsHiddenName(name)) a |= attr::Hidden;
  facts.attributes = a;
  // The archive mark is an extended attribute: read only when asked for.
  facts.archiveKnown = !facts.isRegular;
  // Only a regular file has an age: a link standing where a file belongs is
  // no copy of it, whatever its own time says.
  facts.age = facts.isRegular ? AgeOfTime(st.st_mtim.tv_sec) : -1;
  facts.size = st.st_size;
  facts.writeTime = st.st_mtim.tv_sec;
  facts.writeTimeNsec = static_cast<int32_t>(st.st_mtim.tv_nsec);
  facts.device = st.st_dev;
  facts.inode = st.st_ino;
  return facts;
}

struct stat StatOf(const EntryFacts& facts) {
  struct stat st {};
  st.st_mode = facts.isRegular ? S_IFREG : facts.isDirectory ? S_IFDIR : 0;
  st.st_mtim.tv_sec = facts.writeTime;
  st.st_mtim.tv_nsec = facts.writeTimeNsec;
  st.st_size = facts.size;
  return st;
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
  return ChangeAttributesAt(dirfd, name, attributes, nullptr);
}

int ClearArchiveAt(int dirfd, const std::string& name, const struct stat& asCopied) {
  return ChangeAttributesAt(dirfd, name, attr::ReadOnly, &asCopied, true);
}

int ChangeAttributesAt(int dirfd, const std::string& name, uint32_t attributes, const struct stat* stampOf,
                       bool keepReadOnly) {
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
  const bool wantReadOnly = keepReadOnly ? (mode & 0222) == 0 : (attributes & attr::ReadOnly) != 0;
  // The mark describes the state asked for, or the file as it is.
  if (stampOf) {
    st.st_size = stampOf->st_size;
    st.st_mtim = stampOf->st_mtim;
  }
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

}  // namespace posix

// The offset is looked up at most once a second: it is asked for twice per
// file.
bool IsHiddenName(const std::string& name) { return !name.empty() && name[0] == '.'; }

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

}  // namespace tandrel::platform
