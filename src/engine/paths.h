#pragma once
// Path rules the engine applies in several places.

#include <string>

#include "platform/platform.h"

namespace tandrel {

// A directory path as the walk holds it: ending in "/".
inline std::string WithTrailingDelimiter(const std::string& path) {
  return !path.empty() && path.back() == '/' ? path : path + "/";
}

// Removes one trailing delimiter, never turning "/" into "".
inline std::string WithoutTrailingDelimiter(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Whether the subfolder `name` of `parent`, whose removal returned `err`,
// still stands. A failure other than "not found" counts as still there even
// when the entry cannot be examined, so no failure is ever reported as a
// removal.
inline bool StillThere(const platform::DirHandle& parent, const std::string& name, int err) {
  return (err != 0 && err != platform::kErrNotFound) || parent.DirectoryExists(name);
}

}  // namespace tandrel
