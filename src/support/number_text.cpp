#include "support/number_text.h"

#include <cstddef>

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

}  // namespace tandrel
