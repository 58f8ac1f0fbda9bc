#pragma once

#include <string>
#include <vector>

namespace tandrel {

// The lines of a text as the log viewer shows them: split at CR LF, CR or
// LF; a line break at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace tandrel
