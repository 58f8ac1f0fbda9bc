// MatchesMask against a plain reference matcher. The input is the mask, a
// line feed and the file name (a mask never holds a line break; a name may).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/entries.h"
#include "platform/process.h"

namespace {

// Long enough for any mask a user types and for most file names; the
// reference's table stays at a few thousand cells.
constexpr size_t kMaxMask = 64;
constexpr size_t kMaxName = 256;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Straight from the definition: "*" takes any run, "?" one character, every
// other character itself regardless of ASCII case. Every way of splitting the
// name among the stars is tried; remembering failed (name, mask) positions
// keeps that polynomial.
class ReferenceGlob {
 public:
  ReferenceGlob(std::string_view name, std::string_view mask)
      : name_(name), mask_(mask), seen_((name.size() + 1) * (mask.size() + 1), -1) {}

  bool Matches() { return At(0, 0); }

 private:
  bool At(size_t n, size_t m) {
    if (m == mask_.size()) return n == name_.size();
    int8_t& memo = seen_[n * (mask_.size() + 1) + m];
    if (memo >= 0) return memo != 0;
    bool result;
    if (mask_[m] == '*') {
      result = At(n, m + 1) || (n < name_.size() && At(n + 1, m));
    } else {
      result = n < name_.size() && (mask_[m] == '?' || AsciiLower(mask_[m]) == AsciiLower(name_[n])) &&
               At(n + 1, m + 1);
    }
    memo = result ? 1 : 0;
    return result;
  }

  std::string_view name_;
  std::string_view mask_;
  std::vector<int8_t> seen_;
};

bool ReferenceMatches(std::string_view name, std::string_view mask) {
  if (mask == "*" || mask == "*.*") return true;
  if (ReferenceGlob(name, mask).Matches()) return true;
  // "report.*" also takes "report", a name without any extension.
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos) {
    return ReferenceGlob(name, mask.substr(0, mask.size() - 2)).Matches();
  }
  return false;
}

[[noreturn]] void Fail(const char* what, const std::string& name, const std::string& mask, bool got) {
  std::fprintf(stderr, "mask_fuzz: %s: MatchesMask(name=\"%s\", mask=\"%s\") gave %s\n", what, name.c_str(),
               mask.c_str(), got ? "true" : "false");
  std::abort();
}

}  // namespace

// The program matches under the user's locale; folding must stay ASCII there too.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tandrel::platform::InitLocale();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  if (split == std::string_view::npos) return 0;
  const std::string mask(input.substr(0, split));
  const std::string name(input.substr(split + 1));
  if (mask.size() > kMaxMask || name.size() > kMaxName) return 0;

  const bool got = tandrel::platform::MatchesMask(name, mask);
  if (got != ReferenceMatches(name, mask)) Fail("differs from the reference", name, mask, got);

  // ASCII case never matters, on either side.
  std::string upperName = name;
  for (char& c : upperName) c = AsciiUpper(c);
  std::string lowerMask = mask;
  for (char& c : lowerMask) c = AsciiLower(c);
  if (tandrel::platform::MatchesMask(upperName, lowerMask) != got) {
    Fail("depends on ASCII case", upperName, lowerMask, !got);
  }

  // A name always matches itself as a mask when it holds no wildcard.
  if (name.size() <= kMaxMask && name.find_first_of("*?") == std::string::npos &&
      !tandrel::platform::MatchesMask(name, name)) {
    Fail("a plain name does not match itself", name, name, false);
  }
  return 0;
}
