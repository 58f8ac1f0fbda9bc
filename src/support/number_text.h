#pragma once
// The text routines that turn loosely typed numbers and times into fixed
// form.
// Positions are 1-based; none of these functions fails or throws.

#include <cstdint>
#include <string>

namespace tandrel {

// The decimal digits of `text` in their order; everything else is dropped.
std::string GSStripANumFromString(const std::string& text);

// Start (1-based) of the n-th occurrence of `sub` in `text`, occurrences allowed
// to overlap; 0 when there are fewer than n, when n < 1 or when `sub` is empty.
int32_t GSFindNPos(const std::string& sub, const std::string& text, int32_t n);

// `text` rewritten as a number: digits kept, "." and "," become the decimal
// separator, anything else dropped; only the first separator stays. A non-zero
// `intDigits` makes the integer part exactly that wide (high digits dropped,
// `fill` in front); a non-zero `fracDigits` makes the fraction exactly that long
// (zeros appended or cut, no rounding). 0 means free width: leading zeros go.
// Never ends in the separator. Uses the user's decimal separator.
std::string GSFormatNumber(const std::string& text, int32_t intDigits, int32_t fracDigits, char fill);
// The same with an explicit decimal separator.
std::string GSFormatNumber(const std::string& text, int32_t intDigits, int32_t fracDigits, char fill,
                           char decimalSeparator);

// "HH:MM" from the last four digits of `text` (zeros in front when fewer).
// With `carry`, minutes of 60 and more move into the hours. Always five
// characters; the hours are not limited to 23.
std::string GSFormatTime(const std::string& text, bool carry);

}  // namespace tandrel
