// A run killed without warning must leave every destination file either as it
// was or as a complete copy, and the configuration untouched; the next run
// completes the work.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/paths.h"
#include "platform/test_seams.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using KillTest = EngineFixture;

std::string NewContent(int i) {
  return std::string(256 << 10, static_cast<char>('A' + i % 26)) + std::to_string(i);
}

TEST_F(KillTest, KilledMidRunLeavesOnlyOldOrCompleteFiles) {
  constexpr int kFiles = 200;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "/f" + std::to_string(i);
    WriteFile(src_ + name, NewContent(i));
    if (i % 2 == 0) {
      WriteFile(dst_ + name, "old " + std::to_string(i));
      SetMTime(dst_ + name, LocalTime(2020, 1, 1, 0, 0, 0));
    }
  }
  OneJob({"Verify=1"});
  const std::string configBefore = ReadFile(ConfigPath());

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The fortieth copy written comes in the middle of the run.
    CopyFaults faults(platform::RealFileSystem());
    int copies = 0;
    faults.afterWrite = [&](const std::string&) {
      if (++copies < 40) return;
      const char c = 'x';
      [[maybe_unused]] ssize_t n = ::write(fds[1], &c, 1);
      // Waits here for the kill: it comes in the middle of the run, never
      // after it, however the two processes are scheduled.
      for (;;) ::pause();
    };
    settings_.extendedLog = true;
    settings_.logFile = true;
    const platform::FileSystemScope scope(faults);
    Run();
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(fds[0], &c, 1), 1);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(fds[0]);
  ::close(fds[1]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it could be killed";

  int complete = 0;
  for (int i = 0; i < kFiles; ++i) {
    const std::string dest = dst_ + "/f" + std::to_string(i);
    if (!Exists(dest)) {
      EXPECT_NE(i % 2, 0) << "an old file disappeared: " << dest;
      continue;
    }
    const std::string content = ReadFile(dest);
    if (content == NewContent(i)) {
      ++complete;
    } else {
      EXPECT_EQ(content, "old " + std::to_string(i)) << "a torn copy under " << dest;
    }
  }
  // Copies killed before their batch was flushed never got their names: the
  // next run makes them.
  EXPECT_LT(complete, kFiles) << "the kill came too late to prove anything";
  EXPECT_EQ(ReadFile(ConfigPath()), configBefore);

  Run();
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadFile(dst_ + "/f" + std::to_string(i)), NewContent(i));
}

TEST_F(KillTest, ACopyKilledOnTheNamedRoadLeavesATemporaryTheNextCleanupRemoves) {
  WriteFile(src_ + "/keep.txt", "k");
  WriteFile(src_ + "/sub/big.bin", std::string(1 << 20, 'b'));
  OneJob({"Include SubDirs=1"});
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file-size limit stops the copy half-way; the signal it raises ends
    // the run there and then.
    platform::UseNamedTemporaries(true);
    ::signal(SIGXFSZ, [](int) { ::raise(SIGKILL); });
    const struct rlimit small = {64 << 10, 64 << 10};
    ::setrlimit(RLIMIT_FSIZE, &small);
    Run();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the copy was not killed";
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dst_ + "/sub")) {
    left.push_back(e.path().filename());
  }
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(platform::IsStaleTemporary(left[0])) << left[0];

  // The source's folder is gone; its counterpart, which only the temporary
  // holds, can be removed.
  std::filesystem::remove_all(src_ + "/sub");
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_FALSE(Exists(dst_ + "/sub"));
}

TEST_F(KillTest, AStaleTemporaryGoesWhenItsFolderIsCopiedToAgainWithoutCleanup) {
  // A process that is gone, as a killed run's is.
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string temporary = dst_ + "/sub/.tandrel-" + std::to_string(gone) + ".7";
  WriteFile(temporary, "half a copy");
  ASSERT_TRUE(platform::IsStaleTemporary(platform::LastComponent(temporary)));
  WriteFile(src_ + "/sub/big.bin", "the whole file");
  OneJob({"Include SubDirs=1"});
  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_FALSE(Exists(temporary));
  EXPECT_EQ(ReadFile(dst_ + "/sub/big.bin"), "the whole file");
}

}  // namespace
}  // namespace tandrel::test
