#pragma once
// The listing of a folder held open: read straight from the kernel in
// blocks of entries, with no stream in between.

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tandrel::platform::posix {

// Lists the folder the descriptor `folderFd` holds (even one opened only
// as a path), returning the entries whose names match `mask`; "." and ".."
// are left out. A folder that cannot be opened for listing yields a search
// that returns nothing and tells why.
std::unique_ptr<SearchOps> SearchFolder(int folderFd, const std::string& mask);

}  // namespace tandrel::platform::posix
