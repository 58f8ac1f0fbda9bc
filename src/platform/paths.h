#pragma once
// The one place where paths are taken apart and put together, with the
// platform's separator and its rule for the case of names.

#include <string>

namespace tandrel::platform {

// The separator this platform writes ("/" here, "\" on Windows).
extern const char kPathSeparator;
// Whether two names that differ only in case name the same entry.
extern const bool kPathsIgnoreCase;

// Whether `c` separates components of a path on this platform.
bool IsSeparator(char c);
// A folder path as the walk holds it: ending in the separator.
std::string WithTrailingSeparator(const std::string& path);
// One trailing separator removed, never turning a root ("/", "C:\") into
// something else.
std::string WithoutTrailingSeparator(std::string path);
// `name` below `folder`, with exactly one separator between.
std::string JoinPath(const std::string& folder, const std::string& name);
// The last component (trailing separators ignored): "c" of "/a/b/c/".
std::string LastComponent(const std::string& path);
// Everything before the last component, ending in the separator; "" when
// the path has a single component.
std::string ParentFolder(const std::string& path);
// Whether `inner` lies strictly below `outer` (both without a trailing
// separator, or `outer` a root).
bool PathInside(const std::string& inner, const std::string& outer);

}  // namespace tandrel::platform
