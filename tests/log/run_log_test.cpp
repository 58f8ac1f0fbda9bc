#include <sys/stat.h>
#include <unistd.h>

#include "log/run_log.h"
#include "platform/files.h"
#include "testsupport/engine_fixture.h"

namespace tandrel::test {
namespace {

using Lines = std::vector<std::string>;

class RunLogTest : public EngineFixture {
 protected:
  std::string LogPath(const std::string& name) { return LogFolder() + name; }
  const std::string start_ = "Synchronisation started at: 26-12-06  23:05";
};

TEST_F(RunLogTest, WithoutLogFileTheFolderIsStillCreated) {
  Run();
  // Beside the program, whatever the current folder.
  struct stat st;
  ASSERT_EQ(::stat((dir_ / "prog/Log").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_FALSE(Exists(dir_ / "prog/Log/Tandrel.log"));
}

TEST_F(RunLogTest, AFolderRemovedDuringARunIsBackAtItsEnd) {
  WriteFile(src_ + "/sub/a.txt", "a");
  OneJob({"Include SubDirs=1"});
  lines_.when = [](const std::string& line) { return line.rfind("Dir ", 0) == 0; };
  lines_.hook = [&] { ASSERT_EQ(::rmdir(LogFolder().c_str()), 0) << "made at the run's first line"; };
  EXPECT_EQ(Run(), RunResult::Clean);
  EXPECT_FALSE(lines_.hook) << "the folder was removed during the run";
  struct stat st;
  ASSERT_EQ(::stat(LogFolder().c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(ReadFile(dst_ + "/sub/a.txt"), "a");
}

TEST_F(RunLogTest, EachRunOverwritesTheFixedFileWithoutAppend) {
  settings_.logFile = true;
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=Missing\r\n");
  Run();
  Run();
  const std::string run = start_ + "\r\nSource directory does not exist for job \"Missing\"\r\n";
  EXPECT_EQ(ReadFile(LogPath("Tandrel.log")), run);
  EXPECT_EQ(lines_.lines, (Lines{start_, "Source directory does not exist for job \"Missing\""}));
}

TEST_F(RunLogTest, AppendAddsOneEmptyLineBetweenRuns) {
  settings_.logFile = true;
  settings_.appendLog = true;
  Run();
  EXPECT_EQ(ReadFile(LogPath("Tandrel.log")), start_ + "\r\n") << "a new file starts with the start line";
  Run();
  EXPECT_EQ(ReadFile(LogPath("Tandrel.log")), start_ + "\r\n\r\n" + start_ + "\r\n");
}

TEST_F(RunLogTest, DateDependentNameIsFixedAtTheFirstLine) {
  settings_.logFile = true;
  settings_.multipleLog = true;
  now_ = LocalTime(2026, 12, 6, 23, 59, 50);
  lines_.when = [](const std::string&) { return true; };
  lines_.hook = [this] { now_ += 30; };  // the run passes midnight
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=A\r\n1=B\r\n");
  Run();
  EXPECT_EQ(ReadFile(LogPath("tl261206.log")),
            "Synchronisation started at: 26-12-06  23:59\r\nSource directory does not exist for job \"A\"\r\n"
            "Source directory does not exist for job \"B\"\r\n");
  EXPECT_FALSE(Exists(LogPath("tl261207.log")));
  EXPECT_EQ(LogFileName(false, now_), "Tandrel.log");
}

TEST_F(RunLogTest, PurgeTakesOrdinaryFilesMoreThan300DaysAwayEitherWay) {
  const std::string folder = LogFolder();
  const std::time_t day = 86400;
  WriteFile(folder + "old.log", "x");
  SetMTime(folder + "old.log", now_ - 301 * day);
  WriteFile(folder + "notes.txt", "x");  // any name counts
  SetMTime(folder + "notes.txt", now_ - 301 * day);
  WriteFile(folder + "recent.log", "x");
  SetMTime(folder + "recent.log", now_ - 300 * day - 23 * 3600);
  WriteFile(folder + "future.log", "x");
  SetMTime(folder + "future.log", now_ + 302 * day);
  WriteFile(folder + ".hidden", "x");
  MakeHidden(folder + ".hidden");
  SetMTime(folder + ".hidden", now_ - 400 * day);
  MakeDir(folder + "sub");
  SetMTime(folder + "sub", now_ - 400 * day);
  WriteFile(folder + "readonly.log", "x");
  SetMTime(folder + "readonly.log", now_ - 301 * day);
  MakeReadOnly(folder + "readonly.log");

  Run();
  EXPECT_TRUE(Exists(folder + "old.log")) << "no purge without a log file";

  settings_.logFile = true;
  Run();
  EXPECT_FALSE(Exists(folder + "old.log"));
  EXPECT_FALSE(Exists(folder + "notes.txt"));
  EXPECT_FALSE(Exists(folder + "future.log"));
  EXPECT_TRUE(Exists(folder + "recent.log"));
  EXPECT_TRUE(Exists(folder + ".hidden"));
  EXPECT_TRUE(Exists(folder + "sub"));
  EXPECT_TRUE(Exists(folder + "readonly.log")) << "a failed deletion is ignored";
  EXPECT_TRUE(Exists(folder + "Tandrel.log"));
}

TEST_F(RunLogTest, AnOldLogIsPurgedThenCreatedWithoutTheSeparator) {
  settings_.logFile = true;
  settings_.appendLog = true;
  WriteFile(LogPath("Tandrel.log"), "ancient\r\n");
  SetMTime(LogPath("Tandrel.log"), now_ - 302 * 86400);
  Run();
  EXPECT_EQ(ReadFile(LogPath("Tandrel.log")), start_ + "\r\n");
}

TEST_F(RunLogTest, AFileHeldByAnotherWriterLeavesTheRunInTheMemoOnly) {
  settings_.logFile = true;
  MakeDir(LogFolder());
  platform::LogFile other;
  ASSERT_TRUE(other.Create(LogPath("Tandrel.log")));
  other.Write("theirs");
  WriteFile(ConfigPath(), "[Active Jobs]\r\n0=A\r\n");
  Run();
  other.Close();
  EXPECT_EQ(static_cast<int>(lines_.lines.size()), 2);
  ASSERT_EQ(lines_.failures.size(), 2u);
  EXPECT_EQ(lines_.failures[0], "The log file in " + LogFolder() + " could not be written");
  EXPECT_EQ(ReadFile(LogPath("Tandrel.log")), "theirs");
}

TEST_F(RunLogTest, AnUncreatableFolderLosesNothingButTheFile) {
  settings_.logFile = true;
  WriteFile(dir_ / "prog/Log", "a file where the folder should be");
  Run();
  EXPECT_EQ(lines_.lines, Lines{start_});
  EXPECT_EQ(lines_.failures, Lines{"The log file in " + LogFolder() + " could not be written"});
}

TEST_F(RunLogTest, EmptyTextIsABareLineEnd) {
  RunLogWriter writer(LogFolder(), lines_);
  writer.Prepare({true, false, false}, now_);
  writer.Line("");
  writer.Line("x");
  writer.Close();
  EXPECT_EQ(ReadFile(LogPath("Tandrel.log")), "\r\nx\r\n");
  EXPECT_EQ(lines_.lines, (Lines{"", "x"}));
}

TEST(WholeDaysApart, CutsTheFraction) {
  const std::time_t a = LocalTime(2026, 12, 6, 12, 0, 0);
  EXPECT_EQ(WholeDaysApart(a, a - 86399), 0);
  EXPECT_EQ(WholeDaysApart(a, a - 86400), 1);
  EXPECT_EQ(WholeDaysApart(a - 86400 * 3 - 5, a), 3);
}

}  // namespace
}  // namespace tandrel::test
