#include "platform/entries.h"

#include <cctype>

namespace tandrel::platform {
namespace {

inline char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Glob match with "*" and "?", ASCII case-insensitive. Backtracks only to the
// last "*", so the cost stays linear in practice.
bool Glob(const char* n, const char* nEnd, const char* m, const char* mEnd) {
  const char* starM = nullptr;
  const char* starN = nullptr;
  while (n != nEnd) {
    if (m != mEnd && *m == '*') {
      starM = ++m;
      starN = n;
    } else if (m != mEnd && (*m == '?' || Fold(*m) == Fold(*n))) {
      ++m;
      ++n;
    } else if (starM) {
      m = starM;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m != mEnd && *m == '*') ++m;
  return m == mEnd;
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask == "*" || mask == "*.*") return true;
  const char* n = name.data();
  const char* m = mask.data();
  if (Glob(n, n + name.size(), m, m + mask.size())) return true;
  // A trailing ".*" means "any extension or none": "report.*" also matches
  // "report", as users of masks expect.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    return Glob(n, n + name.size(), m, m + mask.size() - 2);
  }
  return false;
}

}  // namespace tandrel::platform
