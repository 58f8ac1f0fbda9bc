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

}  // namespace
}  // namespace tandrel
