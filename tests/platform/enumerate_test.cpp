#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "platform/entries.h"
#include "platform/error_codes.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

struct MaskRow {
  const char* name;
  const char* mask;
  bool matches;
};

TEST(MatchesMask, Table) {
  const MaskRow rows[] = {
      {"a.txt", "*.*", true},
      {"noext", "*.*", true},
      {"noext", "*", true},
      {"A.TXT", "*.txt", true},
      {"a.txt", "*.TXT", true},
      {"a.txt.bak", "*.txt", false},
      {"a.txt", "?.txt", true},
      {"ab.txt", "?.txt", false},
      {"report", "report.*", true},
      {"report.doc", "report.*", true},
      {"reports", "report.*", false},
      {"abc", "a*c", true},
      {"abcbc", "a*bc", true},
      {"ab", "a*bc", false},
      {"", "*", true},
      {"x", "", false},
      {"a.b.c", "*.c", true},
      {"photo.JPG", "*.jpg", true},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(MatchesMask(r.name, r.mask), r.matches) << r.name << " ~ " << r.mask;
  }
}

std::set<std::string> Names(const std::string& pattern, uint32_t set) {
  std::set<std::string> names;
  DirSearch search(pattern, set);
  FindEntry e;
  while (search.Next(e)) names.insert(e.name);
  return names;
}

class DirSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "a.txt", "a");
    WriteFile(dir_ / "b.dat", "b");
    WriteFile(dir_ / ".hidden", "h");
    test::MakeDir(dir_ / "sub");
    test::MakeDir(dir_ / ".hiddendir");
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("a.txt", (dir_ / "link").c_str()), 0);
    ASSERT_EQ(::symlink("sub", (dir_ / "dirlink").c_str()), 0);
  }
  ScopedTempDir dir_;
};

// Names a case-ignoring disk takes for one fold to the same text; bytes
// that are no UTF-8 pass unchanged.
TEST(FoldCase, Table) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } rows[] = {
      {"Readme.txt", "README.TXT", true},
      {"photos", "Photos", true},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true},
      {"\xD0\xB4\xD0\xB0", "\xD0\x94\xD0\x90", true},
      {"a.txt", "a.txt ", false},
      {"\xFF\xFEx", "\xFF\xFEX", true},
      {"\xC3\xA9", "e", false},
      {"ab", "a\xC3\x9F", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(platform::FoldCase(row.a) == platform::FoldCase(row.b), row.same) << row.a << " / " << row.b;
  }
  EXPECT_EQ(platform::FoldCase("\xFF\xFEx"), "\xFF\xFEX");
}

TEST_F(DirSearchTest, FilePassReturnsOrdinaryFilesOnly) {
  EXPECT_EQ(Names(dir_ / "*.*", attr::ReadOnly | attr::Archive), (std::set<std::string>{"a.txt", "b.dat"}));
  EXPECT_EQ(Names(dir_ / "*.txt", attr::ReadOnly | attr::Archive), (std::set<std::string>{"a.txt"}));
}

TEST_F(DirSearchTest, FullSetReturnsEverythingButDotAndDotDot) {
  EXPECT_EQ(Names(dir_ / "*.*", attr::All), (std::set<std::string>{"a.txt", "b.dat", ".hidden", "sub",
                                                                   ".hiddendir", "pipe", "link", "dirlink"}));
}

TEST_F(DirSearchTest, DirectorySetSkipsHiddenAndSystemFiles) {
  // Directories (hidden ones too, since they are directories) and ordinary files.
  EXPECT_EQ(Names(dir_ / "*.*", attr::ReadOnly | attr::Directory | attr::Archive),
            (std::set<std::string>{"a.txt", "b.dat", "sub", ".hiddendir"}));
}

TEST_F(DirSearchTest, LinksAndFifosAreSystemEntriesNeverDirectories) {
  DirSearch search(dir_ / "*", attr::All);
  FindEntry e;
  int seen = 0;
  while (search.Next(e)) {
    if (e.name == "link" || e.name == "dirlink" || e.name == "pipe") {
      EXPECT_TRUE(e.isSystem) << e.name;
      EXPECT_FALSE(e.isDirectory) << e.name;
      ++seen;
    }
    if (e.name == "sub") {
      EXPECT_TRUE(e.isDirectory);
    }
    if (e.name == ".hidden") {
      EXPECT_TRUE(e.isHidden);
    }
  }
  EXPECT_EQ(seen, 3);
}

TEST_F(DirSearchTest, MissingDirectoryYieldsNothingAndTellsWhy) {
  DirSearch search(dir_ / "nothere/*.*", attr::All);
  FindEntry e;
  EXPECT_FALSE(search.Next(e));
  EXPECT_EQ(search.error(), kErrNotFound);
}

}  // namespace
}  // namespace tandrel::platform
