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

TEST(TypedTime, Table) {
  enum Carry { kOff, kOn, kEither };
  struct Row {
    std::string text;
    Carry carry;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"12:30", kEither, "12:30"},
      {"930", kEither, "09:30"},
      {"7", kEither, "00:07"},
      {"1:2:3", kEither, "01:23"},
      {"", kEither, "00:00"},
      {"no time", kEither, "00:00"},
      {"123456", kOff, "34:56"},
      {"25:00", kEither, "25:00"},
      {"12:75", kOff, "12:75"},
      {"12:75", kOn, "13:15"},
      {"9912:30", kEither, "12:30"},
      {"00:90", kOn, "01:30"},
      {"98:99", kOn, "99:39"},
      {"99:59", kEither, "99:59"},
      // 100 hours have no two-digit form: the entry stays uncarried, whole.
      {"99:60", kOn, "99:60"},
      {"99:99", kEither, "99:99"},
  };
  for (const auto& r : rows) {
    for (bool carry : {false, true}) {
      if (r.carry == kEither || r.carry == (carry ? kOn : kOff)) {
        EXPECT_EQ(TypedTime(r.text, carry), r.expected) << r.text << " carry " << carry;
      }
    }
  }
}

// The settings dialog reads hours from the start and minutes from the fourth
// character; whatever comes back must keep the time that was typed.
TEST(TypedTime, EveryFourDigitEntryKeepsFormAndValue) {
  for (int hhmm = 0; hhmm <= 9999; ++hhmm) {
    const std::string typed = std::to_string(hhmm);
    const int typedMinutes = (hhmm / 100) * 60 + hhmm % 100;
    for (bool carry : {false, true}) {
      const std::string t = TypedTime(typed, carry);
      ASSERT_EQ(t.size(), 5u) << typed;
      ASSERT_EQ(t[2], ':') << typed;
      const int hours = std::stoi(t.substr(0, 2));
      const int minutes = std::stoi(t.substr(3));
      ASSERT_EQ(hours * 60 + minutes, typedMinutes) << typed << " -> " << t;
      if (carry && hhmm / 100 < 99) {
        ASSERT_LT(minutes, 60) << typed << " -> " << t;
      }
      if (!carry) {
        ASSERT_EQ(t.substr(0, 2) + t.substr(3), std::string(4 - typed.size(), '0') + typed) << typed;
      }
    }
  }
}

}  // namespace
}  // namespace tandrel
