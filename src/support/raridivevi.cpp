#include "support/raridivevi.h"

#include <cstddef>
#include <cstring>
#include <memory>

#include "platform/platform.h"

namespace tandrel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two decimal digits with a leading zero; callers keep the value below 100.
std::string TwoDigits(int value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::string GSStripANumFromString(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (IsDigit(c)) digits += c;
  }
  return digits;
}

int32_t GSFindNPos(const std::string& sub, const std::string& text, int32_t n) {
  if (n < 1 || sub.empty() || text.empty()) return 0;
  // Each further search starts one character after the previous match, so
  // occurrences may overlap ("aa" occurs three times in "aaaa").
  std::string::size_type at = text.find(sub);
  for (int32_t i = 1; i < n && at != std::string::npos; ++i) at = text.find(sub, at + 1);
  return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
}

std::string GSFormatNumber(const std::string& text, int32_t intDigits, int32_t fracDigits, char fill) {
  return GSFormatNumber(text, intDigits, fracDigits, fill, platform::DecimalSeparator());
}

std::string GSFormatNumber(const std::string& text, int32_t intDigits, int32_t fracDigits, char fill,
                           char decimalSeparator) {
  // The number is kept as its two halves around the one separator that
  // survives. Working on the halves rather than searching the separator in the
  // whole text keeps a fill character that equals the separator harmless.
  std::string intPart;
  std::string fracPart;
  bool separatorSeen = false;
  for (char c : text) {
    if (IsDigit(c)) {
      (separatorSeen ? fracPart : intPart) += c;
    } else if (c == '.' || c == ',') {
      separatorSeen = true;  // later separators vanish; their digits join the fraction
    }
  }

  // A negative width is treated as free width, like 0.
  if (intDigits > 0) {
    const auto width = static_cast<std::size_t>(intDigits);
    if (intPart.size() > width) {
      intPart.erase(0, intPart.size() - width);  // the high-order digits go
    } else {
      intPart.insert(0, width - intPart.size(), fill);
    }
  }
  if (fracDigits > 0) fracPart.resize(static_cast<std::size_t>(fracDigits), '0');  // pads or cuts

  if (intDigits <= 0) {
    const auto firstNonZero = intPart.find_first_not_of('0');
    const bool allZeros = firstNonZero == std::string::npos;
    if (allZeros && fracPart.empty()) {
      // "000" reads 0; a text without digits gives an empty result.
      return intPart.empty() ? std::string() : std::string("0");
    }
    intPart.erase(0, allZeros ? intPart.size() : firstNonZero);
    if (intPart.empty()) intPart = "0";  // ".5" reads "0.5"
  }

  if (fracPart.empty()) return intPart;  // never a trailing separator
  return intPart + decimalSeparator + fracPart;
}

std::string GSFormatTime(const std::string& text, bool carry) {
  // Only the last four digits count; the separator is irrelevant as digits
  // alone go in.
  const std::string digits = GSFormatNumber(GSStripANumFromString(text), 5, 0, '0', '.');
  int hours = (digits[1] - '0') * 10 + (digits[2] - '0');
  int minutes = (digits[3] - '0') * 10 + (digits[4] - '0');
  // 99 hours and 60 or more minutes would carry into 100 hours, which has no
  // two-digit form. Those stay uncarried ("99:75"): the value is kept in full,
  // the text stays five characters, and the settings dialog, which reads the
  // hours from the start and the minutes from the fourth character, carries
  // and wraps them itself.
  if (carry && hours + minutes / 60 < 100) {
    hours += minutes / 60;
    minutes %= 60;
  }
  return TwoDigits(hours) + ':' + TwoDigits(minutes);
}

// Large blocks keep the system-call count low; two of them still fit the
// processor's cache, which makes the comparison run at memory speed.
constexpr std::size_t kCompareBlock = 256 * 1024;

bool GS_VergelijkBestand(const std::string& first, const std::string& second) {
  // Both are opened before anything is read: an empty first file still needs
  // a second file that can be opened.
  platform::FileReader a(first);
  if (!a.valid()) return false;
  platform::FileReader b(second);
  return GS_VergelijkBestand(a, b);
}

bool GS_VergelijkBestand(platform::FileReader& a, platform::FileReader& b) {
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
