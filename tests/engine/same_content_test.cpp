#include "engine/same_content.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

// Content without short periods, so that a shifted read cannot look equal.
std::string Pattern(std::size_t size, uint32_t seed = 12345) {
  std::string s(size, '\0');
  for (auto& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

class CompareFiles : public ::testing::Test {
 protected:
  // Writes both files and compares them.
  bool Compare(const std::string& first, const std::string& second) {
    WriteFile(a_, first);
    WriteFile(b_, second);
    return SameContent(a_, b_);
  }
  ScopedTempDir dir_;
  const std::string a_ = dir_ / "first.bin";
  const std::string b_ = dir_ / "second.bin";
};

constexpr std::size_t kKiB = 1024;

TEST_F(CompareFiles, EqualContentIsEqual) {
  for (std::size_t size :
       {std::size_t{1}, std::size_t{4096}, 256 * kKiB - 1, 256 * kKiB, 256 * kKiB + 1, 768 * kKiB + 17}) {
    const std::string content = Pattern(size);
    EXPECT_TRUE(Compare(content, content)) << size;
  }
  EXPECT_TRUE(Compare(std::string("a\0b", 3), std::string("a\0b", 3)));
}

TEST_F(CompareFiles, AnySingleDifferenceIsFound) {
  const std::size_t size = 768 * kKiB + 17;
  const std::string content = Pattern(size);
  for (std::size_t at : {std::size_t{0}, std::size_t{1}, 256 * kKiB - 1, 256 * kKiB, 256 * kKiB + 1,
                         512 * kKiB + 3, size - 1}) {
    std::string changed = content;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    EXPECT_FALSE(Compare(content, changed)) << at;
  }
  EXPECT_FALSE(Compare(std::string("a\0b", 3), std::string("a\0c", 3)));  // after a NUL byte
}

TEST_F(CompareFiles, LengthsMustBeEqualToo) {
  const std::string content = Pattern(256 * kKiB + 5);
  EXPECT_TRUE(Compare("", ""));
  EXPECT_FALSE(Compare("", "anything"));
  EXPECT_FALSE(Compare(content, content + "tail"));
  EXPECT_FALSE(Compare(content.substr(0, 256 * kKiB), content));  // the first ends on a block edge
  EXPECT_FALSE(Compare("abc", "abcd"));
  EXPECT_FALSE(Compare("abc", "abXd"));
  EXPECT_FALSE(Compare(content, content.substr(0, content.size() - 1)));
  EXPECT_FALSE(Compare(content, content.substr(0, 256 * kKiB)));
  EXPECT_FALSE(Compare(content.substr(0, 256 * kKiB + 1), content.substr(0, 256 * kKiB)));
  EXPECT_FALSE(Compare("abc", ""));
  EXPECT_FALSE(Compare(std::string(3, '\0'), ""));  // missing bytes never read as zeros
  // Nor as leftovers of the previous block.
  const std::string block = content.substr(0, 256 * kKiB);
  EXPECT_FALSE(Compare(block + block, block));
  EXPECT_FALSE(Compare("abc", "ab"));
}

TEST_F(CompareFiles, AFileThatCannotBeOpenedIsADifference) {
  const std::string missing = dir_ / "missing.bin";
  const std::string subdir = dir_ / "sub";
  test::MakeDir(subdir);
  WriteFile(a_, "");
  WriteFile(b_, "data");
  EXPECT_FALSE(SameContent(missing, b_));
  EXPECT_FALSE(SameContent(b_, missing));
  EXPECT_FALSE(SameContent(a_, missing));  // even an empty first file needs a second one
  EXPECT_FALSE(SameContent(missing, missing));
  EXPECT_FALSE(SameContent(a_, subdir));  // a directory where the copy should be
  EXPECT_FALSE(SameContent(subdir, a_));
  EXPECT_FALSE(SameContent(a_, ""));
  EXPECT_TRUE(SameContent(b_, b_));

  const std::string fifo = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(SameContent(a_, fifo));  // and it must not wait for a writer

  if (::geteuid() != 0) {  // root reads through any permission bits
    ASSERT_EQ(::chmod(b_.c_str(), 0), 0);
    EXPECT_FALSE(SameContent(a_, b_));
  }
}

}  // namespace
}  // namespace tandrel
