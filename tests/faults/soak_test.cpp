// Many runs in one process: memory stays flat and no descriptor leaks.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using SoakTest = EngineFixture;

int OpenDescriptors() {
  int n = 0;
  DIR* d = ::opendir("/proc/self/fd");
  while (dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
  ::closedir(d);
  return n - 1;  // the one opendir itself holds
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

TEST_F(SoakTest, TwentyRunsOverFiftyThousandFilesWithExtendedLogging) {
  constexpr int kDirs = 500, kPerDir = 100;
  for (int d = 0; d < kDirs; ++d) {
    const std::string dir = src_ + "/d" + std::to_string(d);
    MakeDir(dir);
    for (int f = 0; f < kPerDir; ++f) {
      const int fd = ::open((dir + "/f" + std::to_string(f)).c_str(), O_WRONLY | O_CREAT, 0644);
      ::close(fd);
    }
  }
  OneJob({"Include SubDirs=1", "Cleanup Destination=1", "Verify=1"});
  settings_.extendedLog = true;
  settings_.logFile = true;
  Run();  // the first copy
  Run();  // one warm-up run so that the allocator has its working set
  const int fds = OpenDescriptors();
  const long rss = ResidentKb();
  long highest = rss;
  for (int run = 0; run < 20; ++run) {
    Run();
    ASSERT_EQ(static_cast<int>(lines_.lines.size()), 1 + kDirs * (kPerDir + 1) + 1);
    highest = std::max(highest, ResidentKb());
    EXPECT_EQ(OpenDescriptors(), fds) << "after run " << run;
  }
  std::printf("resident memory: %ld KiB after warm-up, at most %ld KiB over 20 runs; %d descriptors open\n",
              rss, highest, fds);
  EXPECT_LT(highest - rss, 8 * 1024) << "memory grew by more than 8 MiB over 20 identical runs";
}

TEST_F(SoakTest, ADirectoryWithOneHundredThousandFiles) {
  const int kFiles = 100000;
  int dir = ::open(src_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir, 0);
  for (int i = 0; i < kFiles; ++i) {
    const int f = ::openat(dir, ("f" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(f, 0);
    ::close(f);
  }
  ::close(dir);
  OneJob({"Cleanup Destination=1"});
  EXPECT_EQ(RunLines(),
            (std::vector<std::string>{"Dir " + src_ + "/ - 100000 files and 0 directories synchronised"}));
  EXPECT_TRUE(Exists(dst_ + "/f99999"));
  ::unlink((src_ + "/f5").c_str());
  RunLines();
  EXPECT_FALSE(Exists(dst_ + "/f5"));
}

}  // namespace
}  // namespace tandrel::test
