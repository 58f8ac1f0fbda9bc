#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

#include "platform/process.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

TEST(LocalTime, GivesTheCalendarFieldsOfTheLocalZone) {
  struct Row {
    int year, month, day, hour, minute, second;
  };
  const Row rows[] = {
      {2021, 3, 4, 5, 6, 7},
      {1999, 12, 31, 23, 59, 58},
      {2000, 2, 29, 12, 0, 0},
      {2044, 7, 1, 0, 0, 1},
  };
  for (const Row& r : rows) {
    const std::tm tm = LocalTime(test::LocalTime(r.year, r.month, r.day, r.hour, r.minute, r.second));
    EXPECT_EQ(tm.tm_year + 1900, r.year);
    EXPECT_EQ(tm.tm_mon + 1, r.month);
    EXPECT_EQ(tm.tm_mday, r.day);
    EXPECT_EQ(tm.tm_hour, r.hour);
    EXPECT_EQ(tm.tm_min, r.minute);
    EXPECT_EQ(tm.tm_sec, r.second);
  }
}

TEST(SecondsAsUtc, ReadsTheFieldsAsUtc) {
  struct Row {
    int year, month, day, hour, minute, second, isDst;
    int64_t expected;
  };
  const Row rows[] = {
      {1970, 1, 1, 0, 0, 0, 0, 0},
      {1969, 12, 31, 23, 59, 59, 0, -1},
      {2000, 2, 29, 12, 0, 0, 0, 951825600},
      {2000, 2, 29, 12, 0, 0, 1, 951825600},  // the daylight-saving flag is ignored
      {2021, 1, 32, 0, 0, 0, 0, 1612137600},  // fields out of range carry over
      {2021, 2, 29, 0, 0, 0, 0, 1614556800},
      {2038, 1, 19, 3, 14, 8, 0, 2147483648},
  };
  for (const Row& r : rows) {
    std::tm tm{};
    tm.tm_year = r.year - 1900;
    tm.tm_mon = r.month - 1;
    tm.tm_mday = r.day;
    tm.tm_hour = r.hour;
    tm.tm_min = r.minute;
    tm.tm_sec = r.second;
    tm.tm_isdst = r.isDst;
    EXPECT_EQ(SecondsAsUtc(tm), r.expected) << r.year << "-" << r.month << "-" << r.day;
  }
}

}  // namespace
}  // namespace tandrel::platform
