#pragma once
// The archive attribute on Linux: clear while the file carries the extended
// attribute kArchiveXattr whose value still describes the file's current
// modification time and size; set otherwise. Any write that changes either
// therefore sets it again.

#include <sys/stat.h>

#include <string>

namespace tandrel::platform::posix {

inline constexpr const char* kArchiveXattr = "user.tandrel.archive";

// "<mtime seconds>.<9-digit nanoseconds>:<size>"
std::string ArchiveStamp(const struct stat& st);

// True when the regular file at `path` (described by `st`) has its archive
// attribute clear.
bool ArchiveClear(const std::string& path, const struct stat& st);
bool ArchiveClearFd(int fd, const struct stat& st);

}  // namespace tandrel::platform::posix
