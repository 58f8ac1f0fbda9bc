#pragma once

#include <string>

namespace tandrel::platform::posix {

// Creates an empty temporary file in the directory of `path`, named so that
// every pass of the engine skips it (it begins with "."). Returns the open
// descriptor and its name in `tempPath`, or -1 with errno set.
int CreateTempBeside(const std::string& path, std::string& tempPath);

}  // namespace tandrel::platform::posix
