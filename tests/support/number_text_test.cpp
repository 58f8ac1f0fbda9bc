#include "support/number_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

TEST(GSStripANumFromString, KeepsOnlyDigitsInOrder) {
  // "\xB2\xB9": superscript two and one in an 8-bit code page are no digits.
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"a1b2", "12"},    {"-3.5", "35"},     {"", ""},         {"abc", ""},
      {"12:30", "1230"}, {" 0 0 7 ", "007"}, {"\xB2\xB9", ""},
  };
  for (const auto& [text, expected] : rows) EXPECT_EQ(GSStripANumFromString(text), expected) << text;
}

TEST(GSFindNPos, FindsOverlappingOccurrences) {
  struct Row {
    std::string sub, text;
    int32_t n, expected;
  };
  const std::vector<Row> rows = {
      {"a", "banana", 1, 2},   {"a", "banana", 2, 4},  {"a", "banana", 4, 0},
      {"aa", "aaaa", 2, 2},    {"aa", "aaaa", 3, 3},   {"aa", "aaaa", 4, 0},
      {"ana", "banana", 2, 4}, {"x", "banana", 1, 0},  {"banana!", "banana", 1, 0},
      {"B", "banana", 1, 0},   {"", "banana", 1, 0},   {"a", "", 1, 0},
      {"a", "banana", 0, 0},   {"a", "banana", -1, 0}, {"a", "banana", INT32_MIN, 0},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GSFindNPos(r.sub, r.text, r.n), r.expected) << r.sub << " in " << r.text << " #" << r.n;
}

struct NumberRow {
  std::string text;
  int32_t intDigits, fracDigits;
  char fill;
  std::string expected;
};

TEST(GSFormatNumber, PointSeparator) {
  const std::vector<NumberRow> rows = {
      {"1,234.5", 0, 0, ' ', "1.2345"}, {"007.50", 0, 0, ' ', "7.50"},
      {"7", 0, 2, ' ', "7.00"},         {"12.345", 0, 2, ' ', "12.34"},  // cut, not rounded
      {"", 0, 2, ' ', "0.00"},          {".5", 0, 0, ' ', "0.5"},
      {"000", 0, 0, ' ', "0"},          {"00.0", 0, 0, ' ', "0.0"},
      {"5", 3, 0, ' ', "  5"},          {"1230", 5, 0, '0', "01230"},
      {"12345678", 5, 0, '0', "45678"}, {"", 0, 0, ' ', ""},
      {"abc", 0, 0, ' ', ""},           {".", 0, 0, ' ', ""},
      {"12.", 0, 0, ' ', "12"},         {"-3", 0, 0, ' ', "3"},
      {"+ 4 2", 0, 0, ' ', "42"},       {"1.2.3", 0, 0, ' ', "1.23"},
      {"5", 3, 2, '0', "005.00"},       {"123.4", 2, 3, '#', "23.400"},
      {"007", 5, 0, ' ', "  007"},  // a fixed width keeps the zeros it was given
      {"5", 3, 0, '.', "..5"},      // a fill equal to the separator stays fill
      {"5", -2, -1, ' ', "5"},      // negative widths count as free
  };
  for (const auto& r : rows) {
    EXPECT_EQ(GSFormatNumber(r.text, r.intDigits, r.fracDigits, r.fill, '.'), r.expected)
        << '"' << r.text << "\" " << r.intDigits << "/" << r.fracDigits;
  }
}

TEST(GSFormatNumber, CommaSeparator) {
  const std::vector<NumberRow> rows = {
      {"12.5", 0, 0, ' ', "12,5"}, {"12,5", 0, 0, ' ', "12,5"}, {"1,234.5", 0, 0, ' ', "1,2345"},
      {".5", 0, 2, ' ', "0,50"},   {"12,", 0, 0, ' ', "12"},    {"", 0, 1, ' ', "0,0"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(GSFormatNumber(r.text, r.intDigits, r.fracDigits, r.fill, ','), r.expected) << r.text;
  }
}

TEST(GSFormatNumber, UsesTheUsersSeparator) {
  const char ds = platform::DecimalSeparator();
  EXPECT_EQ(GSFormatNumber("3,25", 0, 0, ' '), std::string("3") + ds + "25");
  EXPECT_EQ(GSFormatNumber("3.25", 0, 0, ' '), std::string("3") + ds + "25");
}

TEST(GSFormatTime, Table) {
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
        EXPECT_EQ(GSFormatTime(r.text, carry), r.expected) << r.text << " carry " << carry;
      }
    }
  }
}

// The settings dialog reads hours from the start and minutes from the fourth
// character; whatever comes back must keep the time that was typed.
TEST(GSFormatTime, EveryFourDigitEntryKeepsFormAndValue) {
  for (int hhmm = 0; hhmm <= 9999; ++hhmm) {
    const std::string typed = std::to_string(hhmm);
    const int typedMinutes = (hhmm / 100) * 60 + hhmm % 100;
    for (bool carry : {false, true}) {
      const std::string t = GSFormatTime(typed, carry);
      ASSERT_EQ(t.size(), 5u) << typed;
      ASSERT_EQ(t[2], ':') << typed;
      const int hours = std::stoi(t.substr(0, 2));
      const int minutes = std::stoi(t.substr(3));
      ASSERT_EQ(hours * 60 + minutes, typedMinutes) << typed << " -> " << t;
      if (carry && hhmm / 100 < 99) {
        ASSERT_LT(minutes, 60) << typed << " -> " << t;
      }
      if (!carry) {
        ASSERT_EQ(GSStripANumFromString(t), GSFormatNumber(typed, 4, 0, '0', '.')) << typed;
      }
    }
  }
}

}  // namespace
}  // namespace tandrel
