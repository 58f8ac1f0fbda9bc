#include <filesystem>
#include <functional>
#include <stdexcept>

#include "engine/run_engine.h"
#include "platform/paths.h"
#include "testsupport/copy_faults.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

// Log lines name folders with the platform's own separator.
const std::string kSep(1, platform::kPathSeparator);

using JobRunTest = EngineFixture;

using Lines = std::vector<std::string>;

TEST_F(JobRunTest, StartLineUsesFixedSeparators) {
  Run();
  EXPECT_EQ(lines_.lines, Lines{"Synchronisation started at: 26-12-06  23:05"}) << "no file, no job";
  EXPECT_FALSE(engine_.Running());
}

TEST_F(JobRunTest, ListEndsAtGapAndAtTheSentinelName) {
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=A\r\n1=B\r\n3=C\r\n[NonActive Jobs]\r\n0=X\r\n");
  EXPECT_EQ(RunLines(), (Lines{"Source directory does not exist for job \"A\"",
                               "Source directory does not exist for job \"B\""}));
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=A\r\n1=_error_\r\n2=B\r\n");
  EXPECT_EQ(RunLines(), (Lines{"Source directory does not exist for job \"A\""}));
  WriteFile(ConfigPath(), "[Active Jobs]\r\n1=A\r\n");
  EXPECT_EQ(RunLines(), Lines{});
}

TEST_F(JobRunTest, MissingDirectoriesAreReportedAndTheRunGoesOn) {
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=First\r\n1=Second\r\n[First]\r\nSource=" + dir_ / "nope" +
                              "\r\nDestination=" + dst_ + "\r\n[Second]\r\nSource=" + src_ +
                              "\r\nDestination=" + dir_ / "none" + "\r\n");
  EXPECT_EQ(RunLines(), (Lines{"Source directory does not exist for job \"First\"",
                               "Destination directory does not exist for job \"Second\""}));
  EXPECT_FALSE(Exists(dir_ / "none")) << "a destination is never created";
}

TEST_F(JobRunTest, PlainJobWithTrailingDelimitersAndDefaultMask) {
  WriteFile(src_ + "/a.txt", "a");
  WriteFile(ConfigPath(),
            "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + src_ + "/\r\nDestination=" + dst_ + "/\r\n");
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + kSep + " - 1 files and 0 directories synchronised"}));
  EXPECT_EQ(engine_.Job().source, src_);
  EXPECT_EQ(ReadFile(dst_ + "/a.txt"), "a");
}

TEST_F(JobRunTest, EmptyFileMaskMatchesNothing) {
  WriteFile(src_ + "/a.txt", "a");
  OneJob({}, "");
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + kSep + " - 0 files and 0 directories synchronised"}));
}

TEST_F(JobRunTest, MemoSeparatorNeverReachesTheFile) {
  settings_.appendLog = true;
  settings_.logFile = true;
  Run();
  EXPECT_EQ(static_cast<int>(lines_.lines.size()), 1) << "no separator before the first run";
  Run();
  ASSERT_EQ(static_cast<int>(lines_.lines.size()), 3);
  EXPECT_EQ(lines_.lines[1], "");
  const std::string start = "Synchronisation started at: 26-12-06  23:05";
  EXPECT_EQ(ReadFile(LogFolder() + "Tandrel.log"), start + "\r\n\r\n" + start + "\r\n");
}

TEST_F(JobRunTest, AnEscapingErrorStillEndsTheRun) {
  OneJob({});
  settings_.logFile = true;
  const auto throwAtTheSummary = [this] {
    lines_.when = [](const std::string& line) { return line.rfind("Dir ", 0) == 0; };
    lines_.hook = [] { throw std::runtime_error("out of memory"); };
  };
  throwAtTheSummary();
  EXPECT_THROW(Run(), std::runtime_error);
  EXPECT_FALSE(engine_.Running());
  // The log file was closed: another holder can take it now.
  settings_.appendLog = true;
  throwAtTheSummary();
  EXPECT_THROW(Run(), std::runtime_error);
  const std::string log = ReadFile(LogFolder() + "Tandrel.log");
  const std::string start = "Synchronisation started at: ";
  EXPECT_NE(log.find(start, start.size()), std::string::npos)
      << "the second run could open the file, so the first had let go of it";
}

TEST_F(JobRunTest, OverlappingJobsAreRefused) {
  WriteFile(src_ + "/keep.txt", "precious");
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=Same\r\n1=Inside\r\n[Same]\r\nSource=" + src_ +
                              "\r\nDestination=" + src_ +
                              "/../S\r\nCleanup Destination=1\r\n[Inside]\r\n"
                              "Source=" +
                              src_ + "\r\nDestination=" + dir_.path() +
                              "\r\nCleanup Destination=1\r\nInclude SubDirs=1\r\n");
  EXPECT_EQ(RunLines(), (Lines{"Source and destination overlap for job \"Same\"",
                               "Source and destination overlap for job \"Inside\""}));
  EXPECT_EQ(ReadFile(src_ + "/keep.txt"), "precious");
}

TEST_F(JobRunTest, DestinationInsideTheSourceIsSkippedOrWithRemovalsRefused) {
  WriteFile(src_ + "/a.txt", "a");
  MakeDir(src_ + "/backup");
  WriteFile(src_ + "/backup/placed.txt", "part of the source tree");
  const std::string job = "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + src_ + "\r\nDestination=" + src_ +
                          "/backup\r\nInclude SubDirs=1\r\n";
  for (const char* removal : {"Delete Empty SubDirs=1\r\n", "Cleanup Destination=1\r\n"}) {
    WriteFile(ConfigPath(), job + removal);
    EXPECT_EQ(Run(), RunResult::Failed) << removal;
    EXPECT_EQ(lines_.lines.back(), "Source and destination overlap for job \"J\"");
    EXPECT_EQ(ReadFile(src_ + "/backup/placed.txt"), "part of the source tree");
    EXPECT_FALSE(Exists(src_ + "/backup/a.txt"));
  }
  WriteFile(ConfigPath(), job);
  EXPECT_EQ(RunLines(), (Lines{"Dir " + src_ + kSep + " - 1 files and 0 directories synchronised"}));
  Run();  // a second run finds the copy but still does not walk into it
  EXPECT_EQ(lines_.lines.back(), "Dir " + src_ + kSep + " - 1 files and 0 directories synchronised");
  EXPECT_EQ(ReadFile(src_ + "/backup/a.txt"), "a");
  EXPECT_FALSE(Exists(src_ + "/backup/backup"));
}

TEST_F(JobRunTest, AStoppedRunEndsAfterTheFileInHandWithItsOwnLine) {
  // Stopped during the first folder's first file: nothing more is done,
  // no summary follows, and the stop line is the run's last.
  WriteFile(src_ + "/one/a.txt", "a");
  WriteFile(src_ + "/one/b.txt", "b");
  WriteFile(src_ + "/two/c.txt", "c");
  OneJob({"Include SubDirs=1", "Cleanup Destination=1"});
  WriteFile(dst_ + "/stale.txt", "kept, since the cleanup never came");
  settings_.extendedLog = true;
  // The stop comes as the first copy is written.
  CopyFaults faults(platform::RealFileSystem());
  faults.afterWrite = [this](const std::string&) { engine_.RequestStop(); };
  RunResult result;
  {
    const platform::FileSystemScope scope(faults);
    result = Run();
  }
  EXPECT_EQ(result, RunResult::Failed);
  const Lines& lines = lines_.lines;
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].rfind("File ... .C.. code 0 ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], kRunStoppedLine);
  EXPECT_EQ(engine_.Counts().copied, 1);
  EXPECT_EQ(ReadFile(dst_ + "/stale.txt"), "kept, since the cleanup never came");

  // Stopped during a long copy: the copy is abandoned and leaves nothing.
  // Without the read-ahead the destination is looked at just before the
  // copy begins: the stop comes there.
  std::filesystem::remove_all(src_);
  WriteFile(src_ + "/big.bin", std::string(24 << 20, 'b'));
  OneJob({});
  const auto before = Snapshot(dst_);
  settings_.extendedLog = false;
  engine_.SetReadAhead(false);
  faults.afterWrite = nullptr;
  faults.afterLook = [this](const std::string& path) {
    if (path == dst_ + kSep + "big.bin") engine_.RequestStop();
  };
  {
    const platform::FileSystemScope scope(faults);
    result = Run();
  }
  EXPECT_EQ(result, RunResult::Failed);
  EXPECT_EQ(lines_.lines.back(), kRunStoppedLine);
  const Lines& echoed = lines_.failures;
  ASSERT_EQ(echoed.size(), 2u);
  EXPECT_EQ(echoed[0], "File ... .C.. code " + std::to_string(platform::kErrCancelled) + " " + src_ + kSep +
                           "big.bin -> " + dst_ + kSep + "big.bin");
  EXPECT_EQ(Snapshot(dst_), before) << "no copy and no temporary";
}

// A run goes by the configuration as it stood when the run started, whatever
// happens to the file once the first job has written its line.
TEST_F(JobRunTest, TheRunKeepsTheConfigurationItStartedWith) {
  const std::string config = ConfigPath();
  const auto jobs = [&](const std::string& secondDestination) {
    return "[Active Jobs]\r\n0=First\r\n1=Second\r\n[First]\r\nSource=" + src_ + "\r\nDestination=" + dst_ +
           "\r\n[Second]\r\nSource=" + src_ + "\r\nDestination=" + secondDestination + "\r\n";
  };
  struct Row {
    const char* name;
    std::function<void()> change;
  };
  const Row rows[] = {
      {"removed", [&] { std::filesystem::remove(config); }},
      {"no active job left", [&] { WriteFile(config, "[Active Jobs]\r\n"); }},
      {"second job pointed elsewhere", [&] { WriteFile(config, jobs(dir_ / "elsewhere")); }},
  };
  WriteFile(src_ + "/a.txt", "a");
  for (const Row& r : rows) {
    std::filesystem::remove_all(dir_ / "D2");
    MakeDir(dir_ / "D2");
    WriteFile(config, jobs(dir_ / "D2"));
    lines_.when = [](const std::string& line) { return line.rfind("Dir ", 0) == 0; };
    lines_.hook = r.change;
    EXPECT_EQ(Run(), RunResult::Clean) << r.name;
    EXPECT_EQ(ReadFile(dir_ / "D2/a.txt"), "a") << r.name;
  }
}

}  // namespace
}  // namespace tandrel::test
