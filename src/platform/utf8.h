#pragma once
// UTF-8 by hand, where no locale may decide how text is read.

#include <cstddef>
#include <string>

namespace tandrel::platform {

// The code point of the UTF-8 sequence at `at` and its length; length 0
// for bytes that are no UTF-8 (overlong forms and surrogates included).
char32_t DecodeUtf8(const unsigned char* at, const unsigned char* end, size_t& length);
// Appends the code point `code` to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace tandrel::platform
