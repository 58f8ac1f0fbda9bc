#include "support/text_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tandrel {
namespace {

TEST(SplitLines, BreaksAtCrLfCrOrLf) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Row> rows = {
      {"", {}},
      {"one", {"one"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},  // a break at the very end starts no line
      {"a\r", {"a"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two breaks, not one
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"\r\n x \r\n", {"", " x "}},
  };
  for (const auto& r : rows) EXPECT_EQ(SplitLines(r.text), r.lines) << testing::PrintToString(r.text);
}

TEST(SafeLineText, ShowsControlBytesAsQuestionMarks) {
  struct Row {
    std::string text;
    std::string shown;
  };
  const std::vector<Row> rows = {
      {"", ""},
      {"plain name.txt", "plain name.txt"},
      {"a\nFile ... .C.. code 0 forged", "a?File ... .C.. code 0 forged"},
      {"a\r\nb", "a??b"},
      {"\x1b[2J", "?[2J"},
      {std::string("n\0ul", 4), "n?ul"},
      {"\x01\t\x1f \x7f~", "??? ?~"},  // the edges of the range; blank and "~" stay
      {"caf\xc3\xa9 \xe2\x82\xac\xff", "caf\xc3\xa9 \xe2\x82\xac\xff"},  // bytes from 0x80 stay
  };
  for (const auto& r : rows) EXPECT_EQ(SafeLineText(r.text), r.shown) << testing::PrintToString(r.text);
}

}  // namespace
}  // namespace tandrel
