#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error_codes.h"
#include "platform/files.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

using test::ReadFile;
using test::ScopedTempDir;
using test::WriteFile;

TEST(WriteFileAtomic, ReplacesKeepsModeAndChangesStamp) {
  ScopedTempDir dir;
  const std::string f = dir / "t.cfg";
  ASSERT_EQ(WriteFileAtomic(f, "first\r\n"), 0);
  ::chmod(f.c_str(), 0600);
  const FileStamp before = StampOf(f);
  ASSERT_EQ(WriteFileAtomic(f, "second\r\n"), 0);
  EXPECT_EQ(ReadFile(f), "second\r\n");
  struct stat st;
  ::stat(f.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(StampOf(f), before) << "a rewrite is always visible to a cache";

  std::string content;
  FileStamp stamp;
  ASSERT_EQ(ReadWholeFile(f, content, &stamp), 0);
  EXPECT_EQ(content, "second\r\n");
  EXPECT_EQ(stamp, StampOf(f));
}

TEST(WriteFileAtomic, RefusesReadOnlyFileAndMissingFolder) {
  ScopedTempDir dir;
  WriteFile(dir / "ro.cfg", "keep");
  ::chmod((dir / "ro.cfg").c_str(), 0444);
  EXPECT_EQ(WriteFileAtomic(dir / "ro.cfg", "new"), kErrAccessDenied);
  EXPECT_EQ(ReadFile(dir / "ro.cfg"), "keep");
  EXPECT_NE(WriteFileAtomic(dir / "nofolder/x.cfg", "new"), 0);
}

TEST(WriteFileAtomic, WritesThroughALink) {
  ScopedTempDir dir;
  WriteFile(dir / "real.cfg", "old");
  ::symlink("real.cfg", (dir / "link.cfg").c_str());
  ASSERT_EQ(WriteFileAtomic(dir / "link.cfg", "new"), 0);
  EXPECT_EQ(ReadFile(dir / "real.cfg"), "new");
  struct stat st;
  ASSERT_EQ(::lstat((dir / "link.cfg").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(ReadWholeFile, MissingFileIsNotFound) {
  ScopedTempDir dir;
  std::string content = "stale";
  EXPECT_EQ(ReadWholeFile(dir / "none", content), kErrNotFound);
  EXPECT_TRUE(content.empty());
  EXPECT_FALSE(StampOf(dir / "none").exists);
}

TEST(LogFile, CreateTruncatesAndASecondHolderIsRefused) {
  ScopedTempDir dir;
  const std::string f = dir / "x.log";
  LogFile first, second;
  EXPECT_FALSE(second.OpenToAppend(f));
  ASSERT_TRUE(first.Create(f));
  first.Write("abc");
  EXPECT_FALSE(second.OpenToAppend(f)) << "held without sharing";
  EXPECT_FALSE(second.Create(f));
  first.Close();
  EXPECT_EQ(ReadFile(f), "abc") << "a refused creator does not empty the file";
  ASSERT_TRUE(second.OpenToAppend(f));
  second.Write("d");
  second.Close();
  EXPECT_EQ(ReadFile(f), "abcd");
}

}  // namespace
}  // namespace tandrel::platform
