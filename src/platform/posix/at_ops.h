#pragma once
// The entry operations of the platform layer relative to a directory
// descriptor: an open folder's descriptor, or AT_FDCWD for an ordinary path.
// The path operations and DirHandle share them.

#include <cstdint>
#include <string>

namespace tandrel::platform::posix {

uint32_t GetAttributesAt(int dirfd, const std::string& name, int* error);
int SetAttributesAt(int dirfd, const std::string& name, uint32_t attributes);
int32_t FileAgeAt(int dirfd, const std::string& name);
int DeleteFileAt(int dirfd, const std::string& name);
int CopyFileAt(int sourceDirfd, const std::string& source, int destDirfd, const std::string& dest);

}  // namespace tandrel::platform::posix
