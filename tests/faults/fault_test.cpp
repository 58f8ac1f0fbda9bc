// Faults from the real world: a full file system, files and directories that
// change under a running walk, a destination that refuses writes.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/entries.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"
#include "testsupport/other_user.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;

// A small tmpfs mounted on a folder for the length of a test.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& where, const char* size) : where_(where) {
    MakeDir(where);
    const std::string options = std::string("size=") + size;
    if (::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0) {
      mounted_ = true;
    } else {
      error_ = std::strerror(errno);
    }
  }
  ~TmpfsMount() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::string where_;
  bool mounted_ = false;
  std::string error_;
};

class FaultTest : public EngineFixture {
 protected:
  // Changes the trees in the middle of a run: after a copy is written.
  CopyFaults faults_{platform::RealFileSystem()};
  Lines HookedRun() {
    settings_.extendedLog = true;
    const platform::FileSystemScope scope(faults_);
    Run();
    return lines_.lines;
  }
  static bool Contains(const Lines& lines, const std::string& text) {
    for (const auto& l : lines) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(FaultTest, AFullDestinationFailsOneCopyAndTheRunGoesOn) {
  TmpfsMount tmpfs(dst_, "1m");
  if (!tmpfs.mounted())
    GTEST_SKIP() << "cannot mount a tmpfs here (" << tmpfs.error() << "); disk-full case not run";
  WriteFile(dst_ + "/big.bin", "old version");
  SetMTime(dst_ + "/big.bin", LocalTime(2020, 1, 1, 0, 0, 0));
  WriteFile(src_ + "/big.bin", std::string(3 << 20, 'b'));
  WriteFile(src_ + "/small.txt", std::string(200 << 10, 's'));
  WriteFile(dir_ / "S2/next.txt", "second job");
  MakeDir(dir_ / "D2");
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=Full\r\n1=Next\r\n[Full]\r\nSource=" + src_ +
                              "\r\nDestination=" + dst_ + "\r\n[Next]\r\nSource=" + dir_ / "S2" +
                              "\r\nDestination=" + dir_ / "D2" + "\r\n");
  settings_.extendedLog = true;
  Run();
  const Lines& lines = lines_.lines;
  EXPECT_TRUE(Contains(lines, "File D.. .C.. code 28 " + src_ + "/big.bin"));
  EXPECT_TRUE(Contains(lines, "File ... .C.. code 0 " + src_ + "/small.txt"));
  EXPECT_EQ(ReadFile(dst_ + "/big.bin"), "old version") << "no truncated file under the destination's name";
  EXPECT_EQ(ReadFile(dst_ + "/small.txt").size(), 200u << 10);
  EXPECT_EQ(ReadFile(dir_ / "D2/next.txt"), "second job") << "the next job ran";
  int entries = 0;
  platform::DirSearch search(dst_ + "/*", platform::attr::All);
  platform::FindEntry e;
  while (search.Next(e)) ++entries;
  EXPECT_EQ(entries, 2) << "no temporary file left behind";
}

// A flush or a naming that fails: nothing counts on a copy that does not
// stand on the disk under its name.
class FlushFaults : public FaultTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FlushFaults, LeaveNoCopyNamedNoMarkClearedAndNoClientFileDeleted) {
  const bool naming = GetParam();
  (naming ? faults_.publishError : faults_.flushError) = EIO;
  // A client's new file, to be copied and marked, and one it has already
  // handed over that the server lacks, to be copied back to the server
  // and then deleted from the client.
  WriteFile(src_ + "/new.txt", "new");
  WriteFile(src_ + "/handed.txt", "handed over");
  ASSERT_EQ(platform::SetAttributes(src_ + "/handed.txt", 0), 0);
  WriteFile(dst_ + "/kept.txt", "the server's own");
  OneJob({"Handle As Server=1", "Handle As Client=1"});

  const Lines lines = HookedRun();
  EXPECT_TRUE(Contains(lines, "code 5 " + src_ + "/new.txt"));
  EXPECT_TRUE(Contains(lines, "code 5 " + src_ + "/handed.txt"));
  EXPECT_EQ(Snapshot(dst_).size(), 1u) << "no copy named, no temporary left";
  EXPECT_TRUE(platform::GetAttributes(src_ + "/new.txt") & platform::attr::Archive) << "not marked";
  EXPECT_EQ(ReadFile(src_ + "/handed.txt"), "handed over") << "not deleted";
}

INSTANTIATE_TEST_SUITE_P(Steps, FlushFaults, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Naming" : "Flush"; });

TEST_F(FaultTest, SourceFilesVanishOrTurnIntoPipesBetweenEnumerationAndCopy) {
  for (const char* name : {"a", "b", "c", "d"}) WriteFile(src_ + "/" + name, name);
  OneJob({});
  bool done = false;
  faults_.afterWrite = [&](const std::string& copied) {
    if (std::exchange(done, true)) return;
    // Whatever comes after the first file: gone, or a pipe nobody writes to.
    for (const char* name : {"a", "b", "c", "d"}) {
      const std::string p = src_ + "/" + name;
      if (p != copied) {
        ::unlink(p.c_str());
        if (std::string(name) < "c") ::mkfifo(p.c_str(), 0644);
      }
    }
  };
  const Lines lines = HookedRun();
  ASSERT_EQ(lines.size(), 6u) << "the run finished without hanging";
  int failed = 0;
  for (const auto& l : lines) {
    if (l.find(" code 2 ") != std::string::npos || l.find(" code 13 ") != std::string::npos) ++failed;
  }
  EXPECT_EQ(failed, 3);
  EXPECT_EQ(lines.back(), "Dir " + src_ + "/ - 4 files and 0 directories synchronised");
}

TEST_F(FaultTest, ASourceDirectoryRemovedDuringTheWalk) {
  WriteFile(src_ + "/first/x", "x");
  WriteFile(src_ + "/second/y", "y");
  OneJob({"Include SubDirs=1", "Delete Empty SubDirs=1"});
  faults_.afterWrite = [&](const std::string& copied) {
    // Remove whichever of the two has not been walked yet.
    for (const char* d : {"/first", "/second"}) {
      if (copied.rfind(src_ + d + "/", 0) != 0) std::system(("rm -rf '" + src_ + d + "'").c_str());
    }
  };
  const Lines lines = HookedRun();
  EXPECT_EQ(lines.back().rfind("Dir " + src_ + "/ - 0 files and 1 directories", 0), 0u) << lines.back();
}

TEST_F(FaultTest, ADestinationDirectoryThatRefusesWritesKeepsItsFiles) {
  WriteFile(src_ + "/sub/f.txt", "new");
  WriteFile(dst_ + "/sub/f.txt", "old");
  SetMTime(dst_ + "/sub/f.txt", LocalTime(2020, 1, 1, 0, 0, 0));
  WriteFile(src_ + "/top.txt", "top");
  const std::string sub = dst_ + "/sub";
  // Write permissions do not stop root; the immutable flag does. Anyone else
  // is stopped by a folder without write bits.
  const int fd = ::open(sub.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  int flags = 0;
  int expectedCode = EACCES;
  if (Privileged()) {
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
      ::close(fd);
      GTEST_SKIP() << "no file attribute flags on this file system";
    }
    const int immutable = flags | FS_IMMUTABLE_FL;
    if (::ioctl(fd, FS_IOC_SETFLAGS, &immutable) != 0) {
      ::close(fd);
      GTEST_SKIP() << "cannot make a directory immutable here: " << std::strerror(errno);
    }
    expectedCode = EPERM;
  } else {
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
  }
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  settings_.extendedLog = true;
  Run();
  if (Privileged()) {
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  } else {
    ::chmod(sub.c_str(), 0755);
  }
  ::close(fd);
  const Lines& lines = lines_.lines;
  const std::string failed = "File D.. .C.. code " + std::to_string(expectedCode) + " " + src_ + "/sub/f.txt";
  EXPECT_TRUE(
      std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(failed, 0) == 0; }));
  EXPECT_EQ(ReadFile(dst_ + "/sub/f.txt"), "old");
  EXPECT_EQ(ReadFile(dst_ + "/top.txt"), "top");
}

TEST_F(FaultTest, LogProblemsNeverStopTheRun) {
  WriteFile(src_ + "/a", "a");
  OneJob({});
  settings_.logFile = true;
  MakeDir(LogFolder() + "Tandrel.log");  // a folder where the file should be
  Run();
  EXPECT_EQ(engine_.Log().State(), RunLogWriter::FileState::Failed);
  EXPECT_EQ(static_cast<int>(lines_.lines.size()), 2);
  EXPECT_EQ(ReadFile(dst_ + "/a"), "a");
}

TEST_F(FaultTest, AConfigurationRewrittenByAnotherProcessIsNeverSeenTorn) {
  WriteFile(src_ + "/x.a", "a");
  WriteFile(src_ + "/x.b", "b");
  MakeDir(dir_ / "D2");
  const std::string job1 = "[J1]\r\nSource=" + src_ + "\r\nDestination=" + dst_ + "\r\nFileMask=*.a\r\n";
  const std::string job2 =
      "[J2]\r\nSource=" + src_ + "\r\nDestination=" + dir_ / "D2" + "\r\nFileMask=*.b\r\n";
  const std::string one = "[Active Jobs]\r\n0=J1\r\n\r\n" + job1 + job2;
  const std::string two =
      "[Active Jobs]\r\n0=J2\r\n1=J1\r\n\r\n" + job2 + std::string(5000, ';') + "\r\n" + job1;
  WriteFile(ConfigPath(), one);

  // The writer rewrites the file, one version after the other, until the
  // pipe's other end closes: for as many runs as it takes, however the two
  // processes are scheduled.
  int stop[2];
  ASSERT_EQ(::pipe2(stop, O_NONBLOCK), 0);
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    ::close(stop[1]);
    char c;
    for (int i = 0; ::read(stop[0], &c, 1) != 0; ++i)
      platform::WriteFileAtomic(ConfigPath(), i % 2 ? one : two);
    ::_exit(0);
  }
  ::close(stop[0]);
  struct StopWriter {
    pid_t pid;
    int stop;
    ~StopWriter() {
      ::close(stop);
      ::waitpid(pid, nullptr, 0);
    }
  } stopWriter{writer, stop[1]};
  // Runs until each version has been read several times, so that runs and
  // rewrites have interleaved; one version runs one job, the other two.
  int runs = 0;
  int readAs[3] = {};
  while (runs < 20 || readAs[1] < 5 || readAs[2] < 5) {
    ASSERT_EQ(::waitpid(writer, nullptr, WNOHANG), 0) << "the writer ended";
    Run();
    ++runs;
    for (const auto& line : lines_.lines) {
      ASSERT_EQ(line.find("does not exist"), std::string::npos) << "a torn read after " << runs << " runs";
    }
    const auto jobs = std::count_if(lines_.lines.begin(), lines_.lines.end(),
                                    [](const std::string& line) { return line.rfind("Dir ", 0) == 0; });
    ASSERT_TRUE(jobs == 1 || jobs == 2) << "a torn read after " << runs << " runs";
    ++readAs[jobs];
  }
}

}  // namespace
}  // namespace tandrel::test
