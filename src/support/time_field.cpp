#include "support/time_field.h"

#include <cstdio>
#include <cstdlib>

#include "support/number_text.h"

namespace tandrel {

std::string NormalisedOnExit(const std::string& text, bool interval) {
  const std::string carried = GSFormatTime(text, true);
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
