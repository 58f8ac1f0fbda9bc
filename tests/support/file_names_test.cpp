#include "support/file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tandrel {
namespace {

TEST(WithExtension, ReplacesOrAppendsTheNamesExtension) {
  struct Row {
    std::string path, extension, expected;
  };
  const std::vector<Row> rows = {
      {"build/tandrel", ".cfg", "build/tandrel.cfg"},
      {"tandrel.exe", ".cfg", "tandrel.cfg"},
      {"/opt/tools/Tandrel.exe", ".hlp", "/opt/tools/Tandrel.hlp"},
      {"/opt/tools/tandrel", ".hlp", "/opt/tools/tandrel.hlp"},
      // Only the last dot of the name counts; dots in folders never do.
      {"/opt/a.b.c", ".cfg", "/opt/a.b.cfg"},
      {"/opt/v1.2/tandrel", ".hlp", "/opt/v1.2/tandrel.hlp"},
      {"./tandrel", ".cfg", "./tandrel.cfg"},
      // A leading dot names the file; it starts no extension.
      {"/opt/.tandrel", ".cfg", "/opt/.tandrel.cfg"},
      {"/opt/.tandrel", ".hlp", "/opt/.tandrel.hlp"},
      {".tandrel", ".hlp", ".tandrel.hlp"},
      {"/opt/.tandrel.exe", ".hlp", "/opt/.tandrel.hlp"},
      // A trailing dot is an empty extension.
      {"/opt/tandrel.", ".cfg", "/opt/tandrel.cfg"},
      {"", ".cfg", ".cfg"},
  };
  for (const auto& r : rows) EXPECT_EQ(WithExtension(r.path, r.extension), r.expected) << r.path;
}

}  // namespace
}  // namespace tandrel
