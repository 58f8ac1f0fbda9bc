#pragma once
// The files that sit beside the executable and share its name (the
// configuration file, the help file) are derived by one rule.

#include <string>
#include <string_view>

namespace tandrel {

// `path` with its file name's extension replaced by `extension` (given with
// its dot), or `extension` appended when the name has none. The extension
// starts at the last dot of the last path component, unless that dot begins
// the name: ".tandrel" has no extension and gives ".tandrel.cfg".
std::string WithExtension(const std::string& path, std::string_view extension);

}  // namespace tandrel
