#include "platform/utf8.h"

#include <cstddef>

namespace tandrel::platform {

char32_t DecodeUtf8(const unsigned char* at, const unsigned char* end, size_t& length) {
  length = 0;
  const unsigned char c = *at;
  const size_t n = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
  if (n == 0 || end - at < static_cast<std::ptrdiff_t>(n)) return 0;
  char32_t code = c & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) {
    if ((at[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (at[i] & 0x3F);
  }
  // Overlong forms and surrogates are no UTF-8 either.
  if ((n == 3 && code < 0x800) || (n == 4 && code < 0x10000) || (code >= 0xD800 && code < 0xE000)) return 0;
  length = n;
  return code;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace tandrel::platform
