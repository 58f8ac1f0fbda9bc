#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/folders.h"
#include "testsupport/temp_dir.h"

namespace tandrel::platform {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

TEST(FileReader, OpensOnlyRegularFiles) {
  ScopedTempDir dir;
  WriteFile(dir / "file", "abc");
  test::MakeDir(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("file", (dir / "link").c_str()), 0);
  struct Row {
    const char* name;
    bool valid;
    int error;
  };
  const Row rows[] = {
      {"file", true, 0},
      {"link", true, 0},  // the file it names
      {"missing", false, kErrNotFound},
      {"folder", false, kErrNotRegularFile},
      {"fifo", false, kErrNotRegularFile},  // without waiting for a writer
  };
  for (const Row& r : rows) {
    FileReader reader(dir / r.name);
    EXPECT_EQ(reader.valid(), r.valid) << r.name;
    EXPECT_EQ(reader.error(), r.error) << r.name;
  }
}

TEST(FileReader, UnreadableFileReportsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  ScopedTempDir dir;
  WriteFile(dir / "secret", "x");
  ASSERT_EQ(::chmod((dir / "secret").c_str(), 0), 0);
  FileReader reader(dir / "secret");
  EXPECT_FALSE(reader.valid());
  EXPECT_EQ(reader.error(), kErrAccessDenied);
}

TEST(FileReader, BlocksAreFullUntilTheEnd) {
  ScopedTempDir dir;
  WriteFile(dir / "ten", "0123456789");
  WriteFile(dir / "empty", "");
  struct Row {
    const char* name;
    size_t block;
    std::vector<std::string> blocks;  // what each read gives, up to the empty end
  };
  const Row rows[] = {
      {"ten", 4, {"0123", "4567", "89", ""}},
      {"ten", 5, {"01234", "56789", ""}},
      {"ten", 64, {"0123456789", ""}},
      {"empty", 4, {""}},
  };
  for (const Row& r : rows) {
    FileReader reader(dir / r.name);
    ASSERT_TRUE(reader.valid()) << r.name;
    std::vector<std::string> got;
    std::string buffer(r.block, '\0');
    for (;;) {
      const int64_t n = reader.ReadBlock(buffer.data(), buffer.size());
      ASSERT_GE(n, 0) << r.name;
      got.push_back(buffer.substr(0, static_cast<size_t>(n)));
      if (n == 0) break;
    }
    EXPECT_EQ(got, r.blocks) << r.name << " in blocks of " << r.block;
    EXPECT_EQ(reader.error(), 0);
  }
}

TEST(FileReader, ReadFromAFileThatDidNotOpenFails) {
  ScopedTempDir dir;
  FileReader reader(dir / "missing");
  char buffer[8];
  EXPECT_EQ(reader.ReadBlock(buffer, sizeof buffer), -1);
  EXPECT_NE(reader.error(), 0);
}

}  // namespace
}  // namespace tandrel::platform
