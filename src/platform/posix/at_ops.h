#pragma once
// The entry operations of the platform layer relative to a directory
// descriptor: an open folder's descriptor, or AT_FDCWD for an ordinary path.
// The path operations and DirHandle share them.

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tandrel::platform::posix {

uint32_t GetAttributesAt(int dirfd, const std::string& name, int* error);
int SetAttributesAt(int dirfd, const std::string& name, uint32_t attributes);
int64_t FileAgeAt(int dirfd, const std::string& name);
// The answers of GetAttributesAt and FileAgeAt for the entry that `st`
// describes (only the archive mark is still read, for a regular file).
uint32_t AttributesFromStat(int dirfd, const std::string& name, const struct stat& st);
int64_t AgeFromStat(const struct stat& st);
// 0, kErrNotFound or why the entry cannot be examined.
int EntryErrorAt(int dirfd, const std::string& name);
int DeleteFileAt(int dirfd, const std::string& name);
int CopyFileAt(int sourceDirfd, const std::string& source, int destDirfd, const std::string& dest);

}  // namespace tandrel::platform::posix
