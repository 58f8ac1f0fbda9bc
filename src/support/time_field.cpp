#include "support/time_field.h"

#include <cstdio>
#include <cstdlib>

namespace tandrel {
namespace {

// Two decimal digits with a leading zero; callers keep the value below 100.
std::string TwoDigits(int value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::string TypedTime(const std::string& text, bool carry) {
  std::string digits = "0000";
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  digits.erase(0, digits.size() - 4);
  int hours = (digits[0] - '0') * 10 + (digits[1] - '0');
  int minutes = (digits[2] - '0') * 10 + (digits[3] - '0');
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

std::string NormalisedOnExit(const std::string& text, bool interval) {
  const std::string carried = TypedTime(text, true);
  int hours = std::atoi(carried.c_str());
  int minutes = std::atoi(carried.c_str() + 3);
  while (minutes >= 60) {
    minutes -= 60;
    ++hours;
  }
  if (!interval) {
    while (hours > 23) hours -= 24;
  } else if (hours > 99) {
    // 99:60 to 99:99 exceed the two-digit form: the longest interval it holds.
    hours = 99;
    minutes = 59;
  }
  char result[32];
  std::snprintf(result, sizeof result, "%02d:%02d", hours, minutes);
  return result;
}

}  // namespace tandrel
