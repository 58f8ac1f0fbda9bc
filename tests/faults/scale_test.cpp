// Trees at the edges of what a file system allows.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using ScaleTest = EngineFixture;

using Lines = std::vector<std::string>;

TEST_F(ScaleTest, ATreeTwoHundredLevelsDeep) {
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

TEST_F(ScaleTest, NamesWithBlanksQuotesOddBytesAndFullLength) {
  const std::vector<std::string> names = {"with blank.txt", "quote\"d'.txt",
                                          std::string("bytes\xff\xfe\x80.bin"), std::string(255, 'n'),
                                          "new\nline"};
  for (const auto& n : names) WriteFile(src_ + "/" + n, n);
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  RunLines();
  for (const auto& n : names) EXPECT_EQ(ReadFile(dst_ + "/" + n), n);
  const Lines second = RunLines();
  EXPECT_EQ(second, (Lines{"Dir " + src_ + "/ - 5 files and 0 directories synchronised"}));
}

// Opens `depth` nested folders named `part` below `root`, step by step.
int OpenChain(const std::string& root, const std::string& part, int depth, bool create) {
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < depth && fd >= 0; ++i) {
    if (create) ::mkdirat(fd, part.c_str(), 0755);
    const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  return fd;
}

// Takes a chain of `depth` folders named `part` below `root` apart from the
// top, each child moving into its parent's place: no path and no
// descriptor per level is needed.
void RemoveChain(const std::string& root, const std::string& part, int depth) {
  const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < depth; ++i) {
    const int level = ::openat(top, part.c_str(), O_RDONLY | O_DIRECTORY);
    const bool inner = ::renameat(level, part.c_str(), top, ".next") == 0;
    ::close(level);
    ::unlinkat(top, part.c_str(), AT_REMOVEDIR);
    if (!inner) break;
    ::renameat(top, ".next", top, part.c_str());
  }
  ::close(top);
}

TEST_F(ScaleTest, ATenThousandLevelChainEndsWithALineNotACrash) {
  const int fd = OpenChain(src_, "d", 10000, true);
  ASSERT_GE(fd, 0);
  ::close(fd);
  // A file where the walk still goes is copied.
  const int level = OpenChain(src_, "d", 256, false);
  ::close(::openat(level, "f.txt", O_WRONLY | O_CREAT, 0644));
  ::close(level);
  OneJob({"Include SubDirs=1"});
  EXPECT_EQ(Run(), RunResult::Failed);
  std::string deepest = src_;
  for (int i = 0; i < 257; ++i) deepest += "/d";
  const Lines& lines = lines_.lines;
  EXPECT_NE(
      std::find(lines.begin(), lines.end(),
                "Dir \"" + deepest + "/\" could not be synchronised: it lies more than 256 folders deep"),
      lines.end());
  const int copied = OpenChain(dst_, "d", 256, false);
  EXPECT_EQ(::faccessat(copied, "f.txt", F_OK, 0), 0) << "copied at the deepest level walked";
  ::close(copied);
  const int file = OpenChain(src_, "d", 256, false);
  ::unlinkat(file, "f.txt", 0);
  ::close(file);
  RemoveChain(src_, "d", 10000);
}

TEST_F(ScaleTest, PathsLongerThanThePlatformAllowsAreWalkedThroughOpenFolders) {
  // Built with relative steps, since the full path is too long to name. The
  // walk reaches every level through its parent's open folder, so the deep
  // file is copied like any other.
  const std::string part(250, 'p');
  int fd = OpenChain(src_, part, 20, true);
  ASSERT_GE(fd, 0);
  const int f = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::write(f, "deep", 4), 4);
  ::close(f);
  ::close(fd);
  WriteFile(src_ + "/ok.txt", "ok");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1", "Cleanup Destination=1"});
  settings_.extendedLog = true;
  const Lines lines = RunLines();
  EXPECT_EQ(lines.back(), "Dir " + src_ + "/ - 1 files and 1 directories synchronised");
  EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("code 0 ") == std::string::npos && l.rfind("File ", 0) == 0;
  })) << "every copy succeeded";
  EXPECT_EQ(ReadFile(dst_ + "/ok.txt"), "ok");
  fd = OpenChain(dst_, part, 20, false);
  ASSERT_GE(fd, 0) << "the destination chain was made";
  char buffer[8] = {};
  const int copy = ::openat(fd, "deep.txt", O_RDONLY);
  EXPECT_EQ(::read(copy, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "deep");
  ::close(copy);
  ::close(fd);

  // Nothing changed: the second run copies nothing and removes nothing.
  const Lines again = RunLines();
  EXPECT_TRUE(std::none_of(again.begin(), again.end(), [](const std::string& l) {
    return l.rfind("File ", 0) == 0 && l.find(".C..") != std::string::npos;
  }));
}

// A run under a hard limit on open files, in a process of its own.
struct DescriptorLimit {
  rlim_t limit;
  bool client;  // a client's copies are marked after their flush, as compared ones are
  bool deep;    // the folders nested, each in the one before: the walk holds them all
};

class UnderADescriptorLimit : public ScaleTest, public ::testing::WithParamInterface<DescriptorLimit> {};

TEST_P(UnderADescriptorLimit, NoCopyFailsForWantOfADescriptor) {
  // One file a folder: each waiting copy holds folders of its own.
  const int kFolders = GetParam().deep ? 250 : 2000;
  std::string folder = src_;
  for (int i = 0; i < kFolders; ++i) {
    folder = (GetParam().deep ? folder : src_) + "/d" + std::to_string(i);
    WriteFile(folder + "/f", std::to_string(i));
  }
  WriteFile(dst_ + "/kept", "a server that is not empty");
  std::vector<std::string> keys = {"Include SubDirs=1", "Verify=1"};
  if (GetParam().client) keys.push_back("Handle As Client=1");
  OneJob(keys);
  engine_.SetReadAhead(true);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{GetParam().limit, GetParam().limit};
    ::_exit(::setrlimit(RLIMIT_NOFILE, &limit) != 0 ? 3 : Run() == RunResult::Clean ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a clean run";
  EXPECT_EQ(Snapshot(dst_).size(), 2 * kFolders + 1u) << "every folder and file copied";
}

INSTANTIATE_TEST_SUITE_P(
    Limits, UnderADescriptorLimit,
    ::testing::Values(DescriptorLimit{1024, false, false}, DescriptorLimit{1024, false, true},
                      DescriptorLimit{2048, true, false}, DescriptorLimit{4096, true, false}),
    [](const auto& info) {
      return "HardLimit" + std::to_string(info.param.limit) + (info.param.deep ? "Deep" : "");
    });

}  // namespace
}  // namespace tandrel::test
