#pragma once

#include <string>
#include <vector>

namespace tandrel {

// The lines of a text as the log viewer shows them: split at CR LF, CR or
// LF; a line break at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string& text);

// `text` fit to be written as one line: each byte below 0x20 and the byte
// 0x7F shown as "?", so that a file name can neither break the line (and
// forge another) nor send a terminal a control sequence. Other bytes, UTF-8
// included, stay as they are.
std::string SafeLineText(std::string text);

// An editor's text as the configuration file keeps it: each CR and LF
// replaced by a blank, so that a pasted text can never add lines to the file.
std::string OneLine(std::string text);

}  // namespace tandrel
