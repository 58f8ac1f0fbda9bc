#pragma once
// The archive attribute on Linux: clear while the file carries the extended
// attribute kArchiveXattr whose value still describes the file's current
// modification time and size; set otherwise. Any write that changes either
// therefore sets it again. Changing the mark needs write permission on the
// file (the kernel's rule for user extended attributes), so it is written
// before a file loses its write bits.

#include <sys/stat.h>

#include <string>

namespace tandrel::platform::posix {

inline constexpr const char* kArchiveXattr = "user.tandrel.archive";

// "<mtime seconds>.<9-digit nanoseconds>:<size>"
std::string ArchiveStamp(const struct stat& st);

// True when the regular file `name`, relative to the directory open as
// `dirfd` (AT_FDCWD: a path), and described by `st`, has its archive attribute
// clear. A link in the final place is not followed. The mark can only be read
// with read permission on the file; an unreadable one counts as archive.
bool ArchiveClearAt(int dirfd, const std::string& name, const struct stat& st);
bool ArchiveClearFd(int fd, const struct stat& st);

}  // namespace tandrel::platform::posix
