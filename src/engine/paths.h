#pragma once
// Path rules the engine applies in several places.

#include <string>

#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/paths.h"

namespace tandrel {

using platform::WithoutTrailingSeparator;
using platform::WithTrailingSeparator;

// Whether the subfolder `name` of `parent`, whose removal returned `err`,
// still stands. A failure other than "not found" counts as still there even
// when the entry cannot be examined, so no failure is ever reported as a
// removal.
inline bool StillThere(const platform::DirHandle& parent, const std::string& name, int err) {
  return (err != 0 && err != platform::kErrNotFound) || parent.DirectoryExists(name);
}

}  // namespace tandrel
