#include <ctime>

#include "platform/process.h"

namespace tandrel::platform {

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  if (!::localtime_r(&t, &tm)) tm = std::tm{};
  return tm;
}

int64_t SecondsAsUtc(const std::tm& t) {
  std::tm copy = t;  // timegm normalises the fields it is given
  return static_cast<int64_t>(::timegm(&copy));
}

}  // namespace tandrel::platform
