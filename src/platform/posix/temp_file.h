#pragma once

#include <string>

namespace tandrel::platform::posix {

// The next temporary name in the directory of `path`, named so that every
// pass of the engine skips it (it begins with "."). Nothing is created.
std::string TempNameBeside(const std::string& path);

// Creates an empty temporary file under the next free such name. Returns the
// open descriptor and its name in `tempPath`, or -1 with errno set.
int CreateTempBeside(const std::string& path, std::string& tempPath);

}  // namespace tandrel::platform::posix
