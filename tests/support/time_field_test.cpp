#include "support/time_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tandrel {
namespace {

TEST(NormalisedOnExit, CarriesMinutesAndLimitsHours) {
  struct Row {
    std::string text;
    bool interval;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"12:34", false, "12:34"},
      {"12:34", true, "12:34"},
      {"930", false, "09:30"},
      {"  :  ", false, "00:00"},  // no digits at all
      {"12345", false, "23:45"},  // the last four digits count
      // A time of day wraps into one day; an interval keeps its hours.
      {"25:30", false, "01:30"},
      {"25:30", true, "25:30"},
      {"48:00", false, "00:00"},
      {"23:75", false, "00:15"},
      {"23:75", true, "24:15"},
      {"98:75", true, "99:15"},
      // 99 hours and 60 or more minutes: the longest interval instead.
      {"99:60", true, "99:59"},
      {"99:99", true, "99:59"},
      {"99:75", false, "04:15"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(NormalisedOnExit(r.text, r.interval), r.expected) << r.text << (r.interval ? " interval" : "");
}

}  // namespace
}  // namespace tandrel
