#pragma once

#include <string>

namespace tandrel::platform::posix {

// The next temporary name: ".tandrel-<process id>.<counter>". It begins with
// "." so that every pass of the engine skips it, and carries the id of the
// process that made it so that one left by a killed run can be told from
// one in use (platform::IsStaleTemporary). Nothing is created.
std::string TempName();

// Creates an empty temporary file `folder` + the next free temporary name,
// relative to the directory descriptor `dirfd` (AT_FDCWD for a path). Returns
// the open descriptor and its name in `tempPath`, or -1 with errno set.
int CreateTempIn(int dirfd, const std::string& folder, std::string& tempPath);
// As CreateTempIn, in the directory of `path`.
int CreateTempBeside(const std::string& path, std::string& tempPath);

}  // namespace tandrel::platform::posix
