#pragma once
// What the fuzz targets share: stopping at a broken invariant, and showing
// arbitrary bytes readably in the message that says so.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Each message begins with the target's name, which fuzz/CMakeLists.txt
// defines per target; fuzz/run.sh picks the messages out of the log by it.
#ifndef FUZZ_TARGET
#error "FUZZ_TARGET must name the fuzz target"
#endif

namespace fuzz {

// Says what broke and aborts, so that the fuzzer keeps the input.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, FUZZ_TARGET ": %s\n", what.c_str());
  std::abort();
}

// The text in double quotes; control bytes, bytes past ASCII, quotes and
// backslashes as \xHH.
inline std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f || c == '"' || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace fuzz
