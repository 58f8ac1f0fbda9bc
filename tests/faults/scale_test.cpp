// Trees at the edges of what a file system allows.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "engine_fixture.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;

TEST_F(EngineTest, ATreeTwoHundredLevelsDeep) {
  std::string path = src_;
  for (int i = 0; i < 200; ++i) path += "/d";
  WriteFile(path + "/bottom.txt", "deep");
  MakeDir(src_ + "/d/empty/e/e");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1"});
  const Lines lines = RunLines();
  EXPECT_EQ(lines.size(), 200u + 3 * 2 + 1);
  EXPECT_EQ(ReadFile(dst_ + path.substr(src_.size()) + "/bottom.txt"), "deep");
  EXPECT_FALSE(Exists(src_ + "/d/empty"));
}

TEST_F(EngineTest, NamesWithBlanksQuotesOddBytesAndFullLength) {
  const std::vector<std::string> names = {"with blank.txt", "quote\"d'.txt", std::string("bytes\xff\xfe\x80.bin"),
                                          std::string(255, 'n'), "new\nline"};
  for (const auto& n : names) WriteFile(src_ + "/" + n, n);
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  RunLines();
  for (const auto& n : names) EXPECT_EQ(ReadFile(dst_ + "/" + n), n);
  const Lines second = RunLines();
  EXPECT_EQ(second, (Lines{"Dir " + src_ + "/ - 5 files and 0 directories synchronised"}));
}

TEST_F(EngineTest, PathsLongerThanThePlatformAllowsAreReportedNotFatal) {
  // Built with relative steps, since the full path is too long to name.
  const std::string part(250, 'p');
  int fd = ::open(src_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(::mkdirat(fd, part.c_str(), 0755), 0);
    const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    ASSERT_GE(fd, 0);
  }
  const int f = ::openat(fd, "lost.txt", O_WRONLY | O_CREAT, 0644);
  ::close(f);
  ::close(fd);
  WriteFile(src_ + "/ok.txt", "ok");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1"});
  const Lines lines = RunLines();
  // The deepest reachable level cannot remove what it cannot name, so the
  // chain above it stays and counts as not empty.
  EXPECT_EQ(lines.back(), "Dir " + src_ + "/ - 1 files and 1 directories synchronised");
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("not removed, errorcode: 36") != std::string::npos;  // ENAMETOOLONG
  }));
  EXPECT_EQ(ReadFile(dst_ + "/ok.txt"), "ok");
}

}  // namespace
}  // namespace tandrel::test
