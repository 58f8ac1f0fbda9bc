#include "engine/same_content.h"

#include <cstddef>
#include <cstring>
#include <memory>

namespace tandrel {

// Large blocks keep the system-call count low; two of them still fit the
// processor's cache, which makes the comparison run at memory speed.
constexpr std::size_t kCompareBlock = 256 * 1024;

bool SameContent(const std::string& first, const std::string& second) {
  // Both are opened before anything is read: an empty first file still needs
  // a second file that can be opened.
  platform::FileReader a(first);
  if (!a.valid()) return false;
  platform::FileReader b(second);
  return SameContent(a, b);
}

bool SameContent(platform::FileReader& a, platform::FileReader& b) {
  if (!a.valid() || !b.valid()) return false;

  const auto buffers = std::make_unique_for_overwrite<char[]>(2 * kCompareBlock);
  char* const bufA = buffers.get();
  char* const bufB = bufA + kCompareBlock;
  for (;;) {
    const int64_t got = a.ReadBlock(bufA, kCompareBlock);
    if (got < 0) return false;
    // At the first's end the second must end too: a copy longer than its
    // source is no copy of it.
    const auto want = static_cast<std::size_t>(got);
    if (b.ReadBlock(bufB, want == 0 ? 1 : want) != got) return false;
    if (got == 0) return true;
    if (std::memcmp(bufA, bufB, want) != 0) return false;
  }
}

}  // namespace tandrel
