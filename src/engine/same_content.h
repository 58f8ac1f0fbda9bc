#pragma once
// The byte-wise comparison that verifies a copy.

#include <string>

#include "platform/folders.h"

namespace tandrel {

// True when both files hold the same bytes: the second ends where the first
// does. False when either cannot be opened as a regular file, on a read
// error, when the lengths differ or when a byte differs.
bool SameContent(const std::string& first, const std::string& second);
// The same over two files already open for reading from their start.
bool SameContent(platform::FileReader& first, platform::FileReader& second);

}  // namespace tandrel
