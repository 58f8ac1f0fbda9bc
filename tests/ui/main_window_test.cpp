// The main window's decisions over real runs in a temporary program folder,
// through a view that keeps the log area's lines and scroll position as
// plain data and records what the logic asked of the windows. Runs go on
// their own thread; a test waits for one with FinishRun.

#include "ui/main_window.h"
#include "ui/run_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>

#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "scripted_prompter.h"
#include "testsupport/file_system_layer.h"
#include "testsupport/temp_dir.h"

namespace tandrel {
namespace {

// Paths in lines and requests end in the platform's own separator.
const std::string kSep(1, platform::kPathSeparator);

using Lines = std::vector<std::string>;
using ui::MainCommand;

class FakeMainView : public ui::MainView {
 public:
  static constexpr int kRows = 10;  // the lines in view at once
  ui::MainWindowLogic* main = nullptr;
  Lines lines;
  int top = 0;
  Lines asked;  // what the logic asked of the windows
  std::chrono::milliseconds drainEvery{0};

  int LastTop() const { return std::max(0, static_cast<int>(lines.size()) - kRows); }
  void ClearLines() override { lines.clear(), top = 0; }
  void AppendLines(const Lines& added, bool belowShown) override {
    EXPECT_EQ(belowShown, !lines.empty());
    lines.insert(lines.end(), added.begin(), added.end());
  }
  void ReplaceLines(const Lines& all) override { lines = all, top = 0; }
  bool ShowsLastLine() const override { return top == LastTop(); }
  void ScrollToLine(int line) override { top = std::min(line, LastTop()); }
  void ScrollToEnd() override { top = LastTop(); }
  void DrainEvery(std::chrono::milliseconds interval) override { drainEvery = interval; }
  std::string status, tip;
  Lines trayMessages;
  void ShowStatus(const std::string& text) override { status = text; }
  void ShowTrayTip(const std::string& text) override { tip = text; }
  void ShowTrayMessage(const std::string& text) override { trayMessages.push_back(text); }
  void CloseWindow() override { asked.push_back(main->CloseRequested() ? "closed" : "stays"); }
  void ShowJobs() override { asked.push_back("jobs"); }
  void ShowGeneral() override { asked.push_back("general"); }
  void ShowAbout() override { asked.push_back("about"); }
  void Restore() override { asked.push_back("restore"); }
  void EndProgram() override { asked.push_back(main->RunInProgress() ? "end during the run" : "end"); }
};

// A disk whose first answer to a run waits until the test lets it go, then
// fails the run when asked to: a run that is still looking at its folders.
class HeldDisk : public test::FileSystemLayer {
 public:
  using FileSystemLayer::FileSystemLayer;
  bool fails = false;
  std::unique_ptr<platform::FolderOps> OpenFolder(const std::string& path) const override {
    return real_.OpenFolder(path);
  }
  bool DirectoryExists(const std::string& path, bool followLinks) const override {
    std::unique_lock<std::mutex> lock(mutex_);
    asked_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    if (fails) throw std::runtime_error("disk gone");
    return real_.DirectoryExists(path, followLinks);
  }
  void WaitUntilAsked() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return asked_; });
  }
  void Release() {
    const std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  mutable bool asked_ = false;
  bool released_ = false;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { Create(); }

  void Create(const platform::FileSystem* fileSystem = nullptr) {
    main_.reset();
    main_ = std::make_unique<ui::MainWindowLogic>(dir_ / "tandrel", view_, prompts_, fileSystem);
    main_->SetClock([this] { return now_; });
    view_.main = main_.get();
  }
  // One active job over a source of `files` files.
  void WriteJob(int files) {
    for (int i = 0; i < files; ++i) test::WriteFile(dir_ / "S/f" + std::to_string(i), "content");
    test::MakeDir(dir_ / "D");
    test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + dir_ / "S" +
                                              "\r\nDestination=" + dir_ / "D\r\n");
  }
  // A command, and the run it may have started, to its end.
  void PerformToTheEnd(MainCommand command) {
    main_->Perform(command);
    main_->FinishRun();
  }
  long StartLines() const {
    return std::count_if(view_.lines.begin(), view_.lines.end(), [](const std::string& l) {
      return l.rfind("Synchronisation started at: ", 0) == 0;
    });
  }
  // A timed run at 10:05 falls due with the next tick.
  void Due() {
    now_ = test::LocalTime(2026, 3, 10, 10, 4, 50);
    main_->Settings().time = "10:05";
    main_->Replan();
    main_->Perform(MainCommand::Tick);  // another minute: armed
    now_ = test::LocalTime(2026, 3, 10, 10, 5, 0);
  }

  test::ScopedTempDir dir_;
  std::time_t now_ = test::LocalTime(2026, 3, 10, 10, 5, 0);
  FakeMainView view_;
  test::ScriptedPrompter prompts_;
  std::unique_ptr<ui::MainWindowLogic> main_;
};

TEST_F(MainWindowTest, CreationLoadsTheSettingsAndSchedulesTheNextRun) {
  test::WriteFile(dir_ / "tandrel.cfg",
                  "[Synchronisation time]\r\nTime=00:10\r\nInterval=1\r\n[Log]\r\nLogFile=1\r\n");
  const std::time_t before = std::time(nullptr);
  ui::MainWindowLogic main(dir_ / "tandrel", view_, prompts_);
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(main.Settings().time, "00:10");
  EXPECT_TRUE(main.Settings().interval && main.Settings().logFile);
  EXPECT_FALSE(main.Schedule().Armed() || main.RunInProgress());
  const auto inTenMinutes = [](std::time_t t) {
    const std::tm at = platform::LocalTime(t + 600);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", at.tm_hour, at.tm_min);
    return std::string(text);
  };
  const std::string next = main.Schedule().NextTime();
  EXPECT_TRUE(next == inTenMinutes(before) || next == inTenMinutes(after)) << next;
}

TEST_F(MainWindowTest, CommandsAskTheirWindowsOrTheDesktop) {
  main_->Settings().interval = true;
  main_->Settings().time = "01:00";
  for (MainCommand c : {MainCommand::Jobs, MainCommand::General, MainCommand::About, MainCommand::Restore,
                        MainCommand::Contents})
    main_->Perform(c);
  EXPECT_EQ(view_.asked, (Lines{"jobs", "general", "about", "restore"}));
  EXPECT_EQ(main_->Schedule().NextTime(), "11:05");  // recomputed once the general dialog is closed
  // Help names the manual wherever nothing can open it: missing, or no handler.
  const std::string manual = dir_ / "tandrel.html";
  test::WriteFile(manual, "<html>");
  main_->Perform(MainCommand::Contents);
  prompts_.desktopOpens = false;
  main_->Perform(MainCommand::Contents);
  ui::OpenOrSayWhere(prompts_, "https://example.org/t");  // the About window's link: no file to look for
  EXPECT_EQ(prompts_.opened, (Lines{manual, manual, "https://example.org/t"}));
  EXPECT_EQ(
      prompts_.asked,
      (std::vector<ui::Question>{
          {"Tandrel", "The file \"" + manual + "\" does not exist."},
          {"Tandrel", "No program could open \"" + manual + "\".\n\nOpen it in a web browser."},
          {"Tandrel", "No program could open \"https://example.org/t\".\n\nOpen it in a web browser."}}));
}

TEST_F(MainWindowTest, TheWindowAnswersWhileARunLooksAtItsFolders) {
  WriteJob(3);
  HeldDisk disk(platform::RealFileSystem());
  Create(&disk);
  main_->Settings().appendLog = true;
  Due();
  main_->Perform(MainCommand::Synchronise);
  disk.WaitUntilAsked();
  // The run waits for its disk; every command is answered meanwhile, but
  // neither Synchronise nor a due tick starts a second run.
  EXPECT_TRUE(main_->RunInProgress());
  EXPECT_EQ(view_.drainEvery, ui::MainWindowLogic::kDrainInterval);
  EXPECT_EQ(view_.tip, "Tandrel: running");
  main_->Perform(MainCommand::About);
  main_->Perform(MainCommand::Synchronise);
  main_->Perform(MainCommand::Tick);
  EXPECT_TRUE(main_->Schedule().Armed()) << "the tick ran nothing";
  main_->Perform(MainCommand::Stop);
  disk.Release();
  main_->FinishRun();
  EXPECT_EQ(view_.asked, Lines{"about"});
  EXPECT_FALSE(main_->RunInProgress());
  EXPECT_EQ(view_.drainEvery.count(), 0);
  EXPECT_EQ(StartLines(), 1);
  EXPECT_EQ(std::count(view_.lines.begin(), view_.lines.end(), kRunBusyLine), 0);  // not even tried
  EXPECT_EQ(view_.lines.back(), kRunStoppedLine);
  EXPECT_FALSE(test::Exists(dir_ / "D/f0")) << "stopped before its first file";
  EXPECT_EQ(view_.tip.rfind("Tandrel: last run stopped ", 0), 0u) << view_.tip;

  // The next run starts afresh.
  PerformToTheEnd(MainCommand::Synchronise);
  EXPECT_EQ(StartLines(), 2);
  EXPECT_TRUE(test::Exists(dir_ / "D/f2"));
}

TEST_F(MainWindowTest, PreviewShowsWhatARunWouldDoAndChangesNothing) {
  WriteJob(2);
  test::WriteFile(dir_ / "D/stale", "gone from the source");
  test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + dir_ / "S" +
                                            "\r\nDestination=" + dir_ / "D\r\nCleanup Destination=1\r\n");
  main_->Settings().logFile = true;
  PerformToTheEnd(MainCommand::Preview);
  const Lines expectedEnd = {"Would delete file \"" + dir_ / "D" + kSep + "stale\"",
                             "Dir " + dir_ / "S" + kSep + " - 2 files and 0 directories synchronised",
                             "Preview: 2 files would be copied, 0 source files deleted, 1 destination files "
                             "deleted, 0 folders removed"};
  ASSERT_GE(view_.lines.size(), 3u);
  EXPECT_EQ(Lines(view_.lines.end() - 3, view_.lines.end()), expectedEnd);
  EXPECT_EQ(view_.status, expectedEnd.back());
  EXPECT_EQ(view_.tip, "") << "a preview is no run for the tray";
  EXPECT_FALSE(test::Exists(dir_ / "D/f0"));
  EXPECT_TRUE(test::Exists(dir_ / "D/stale"));
  EXPECT_FALSE(test::Exists(dir_ / "Log")) << "no log file";
}

TEST_F(MainWindowTest, StopEndsTheRunInProgressAndNothingElse) {
  WriteJob(3);
  main_->Perform(MainCommand::Stop);  // no run: nothing to stop
  PerformToTheEnd(MainCommand::Synchronise);
  EXPECT_NE(view_.lines.back(), kRunStoppedLine);
  // Stopped while it waits for its disk, so that it cannot have ended first.
  HeldDisk disk(platform::RealFileSystem());
  Create(&disk);
  main_->Perform(MainCommand::Synchronise);
  disk.WaitUntilAsked();
  main_->Perform(MainCommand::Stop);
  disk.Release();
  main_->FinishRun();
  EXPECT_EQ(view_.lines.back(), kRunStoppedLine);
}

TEST_F(MainWindowTest, StatusAndTrayKeepHowTheRunEnded) {
  WriteJob(3);
  PerformToTheEnd(MainCommand::Synchronise);
  EXPECT_EQ(view_.status,
            "Ended 26-03-10  10:05 after 0 s: 0 failures, 3 copied (21 B), 0 + 0 deleted (From + To), 0 "
            "folders removed");
  EXPECT_EQ(view_.tip, "Tandrel: last run ended 26-03-10  10:05, no failures");
  EXPECT_TRUE(view_.trayMessages.empty());

  // A timed run that fails says so in the tray.
  test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n0=Gone\r\n");
  Due();
  PerformToTheEnd(MainCommand::Tick);
  EXPECT_EQ(view_.trayMessages, Lines{"The timed run of 26-03-10  10:05 ended with 1 failure"});
  EXPECT_EQ(view_.tip, "Tandrel: last run ended 26-03-10  10:05, 1 failure - Next timed run: 10:05");
}

TEST_F(MainWindowTest, TheNextTimedRunIsShownBesideHowTheLastRunEnded) {
  // A fresh General dialog stores 00:00: a daily run at midnight.
  test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n[Synchronisation time]\r\nTime=00:00\r\n");
  Create();
  main_->ShowSchedule();
  EXPECT_EQ(view_.status, "Next timed run: 00:00");
  EXPECT_EQ(view_.tip, "Tandrel - Next timed run: 00:00");
  PerformToTheEnd(MainCommand::Synchronise);
  EXPECT_EQ(view_.status,
            "Ended 26-03-10  10:05 after 0 s: 0 failures, 0 copied (0 B), 0 + 0 deleted (From + To), "
            "0 folders removed - Next timed run: 00:00");
  main_->Settings().time = "  :  ";
  main_->Replan();
  main_->ShowSchedule();
  EXPECT_EQ(view_.tip, "Tandrel: last run ended 26-03-10  10:05, no failures");
}

TEST(RunStatus, FailureLinesAreThoseThatReportOne) {
  const std::pair<const char*, bool> rows[] = {
      {"File ... .C.. code 0 /s/a -> /d/a", false},
      {"File ... .C.. code 28 /s/a -> /d/a", true},
      {"File D.. .CE. VERIFYERROR code 0 /s/code 1 -> /d/code 1", true},
      {"File ... .... code 0 /s/code 5 -> /d/code 5", false},
      {"Dir /s/ - 1 files and 0 directories synchronised", false},
      {"Dir /d/old/ cleaned up", false},
      {"Cleaning up dir \"/d/old/\" failed, errorcode: 39", true},
      {"Dir \"/s/x\" not removed, errorcode: 13", true},
      {"Reading dir \"/s/x/\" failed, errorcode: 13", true},
      {"Source directory does not exist for job \"J\"", true},
      {"Source directory is empty for job \"J\": job not run", true},
      {"The log file in /p/Log/ could not be written, errorcode: 28", true},
      {"Synchronisation stopped by the user", true},
      {"Would delete file \"/d/failed.txt\"", false},
      {"Synchronisation started at: 26-03-10  10:05", false},
  };
  for (const auto& [line, failure] : rows) EXPECT_EQ(ui::IsFailureLine(line), failure) << line;
  EXPECT_EQ(ui::ByteText(512), "512 B");
  EXPECT_EQ(ui::DurationText(59), "59 s");
  EXPECT_EQ(ui::DurationText(125), "2 min 5 s");
  EXPECT_EQ(ui::DurationText(3780), "1 h 3 min");
  EXPECT_EQ(ui::ByteText(3565158), "3.4 MB");
}

TEST(RunStatus, ProgressNamesOnlyWhatIsKnown) {
  const RunCounts counts{2, 0, 0, 0};
  const std::pair<RunProgress, const char*> rows[] = {
      {{}, "0 files checked, 2 copied (0 B), 0 failed"},
      {{"J", "", 0, 0, 0, 0, 0}, "Job \"J\" - 0 files checked, 2 copied (0 B), 0 failed"},
      {{"J", "/s/", 3, 1, 3565158, 45, 100},
       "Job \"J\" - /s/ - 3 files checked, 2 copied (3.4 MB), 1 failed - 45% of the file in hand"},
  };
  for (const auto& [progress, text] : rows) EXPECT_EQ(ui::ProgressText(progress, counts), text);
}

TEST_F(MainWindowTest, TheCloseQuestionAndTheEndOfTheProgram) {
  const ui::Question question{
      "Stop Tandrel?",
      "Press YES to stop directory synchronisation\r\nPress NO to continue without any changes.",
      ui::BoxIcon::Critical, ui::BoxButtons::YesNo, ui::Button::No};
  prompts_.answers = {ui::Button::No, ui::Button::Yes};
  main_->Perform(MainCommand::Exit);
  EXPECT_FALSE(main_->EndRequested());
  main_->Perform(MainCommand::Exit);
  EXPECT_EQ(prompts_.asked, (std::vector<ui::Question>{question, question}));
  EXPECT_TRUE(main_->EndRequested());
  // The program ends as the window closes, and again after the command.
  EXPECT_EQ(view_.asked, (Lines{"stays", "end", "closed", "end"}));
  // Once agreed, or while the session ends, the window closes without a question.
  Create();
  main_->QueryEndSession();
  EXPECT_TRUE(main_->SessionEnding());
  EXPECT_FALSE(main_->EndRequested());  // another program may still cancel the log-off
  EXPECT_TRUE(main_->CloseRequested());
  EXPECT_EQ(prompts_.asked.size(), 2u);
}

TEST_F(MainWindowTest, AConfirmedCloseLetsTheRunFinishThenEnds) {
  WriteJob(20);
  main_->Settings().extendedLog = true;
  main_->Perform(MainCommand::Synchronise);
  prompts_.answers = {ui::Button::Yes, ui::Button::No};  // close, but let the run finish
  main_->Perform(MainCommand::Exit);
  EXPECT_EQ(view_.tip, "Tandrel: finishing the run, then ending");
  EXPECT_EQ(view_.asked, Lines{"closed"}) << "the program ends only with the run";
  main_->FinishRun();
  EXPECT_EQ(view_.asked, (Lines{"closed", "end"}));
  EXPECT_EQ(view_.lines.back().rfind("Dir " + dir_ / "S" + kSep + " - 20 files", 0), 0u)
      << view_.lines.back();
  EXPECT_TRUE(test::Exists(dir_ / "D/f19"));

  // Closed and stopped while the run waits for its disk: the run ends
  // there, then the program.
  HeldDisk disk(platform::RealFileSystem());
  Create(&disk);
  main_->Settings().extendedLog = true;
  view_.asked.clear();
  main_->Perform(MainCommand::Synchronise);
  disk.WaitUntilAsked();
  prompts_.answers = {ui::Button::Yes, ui::Button::Yes};
  main_->Perform(MainCommand::Exit);
  EXPECT_EQ(view_.asked, Lines{"closed"});
  disk.Release();
  main_->FinishRun();
  EXPECT_EQ(view_.asked, (Lines{"closed", "end"}));
  EXPECT_EQ(view_.lines.back(), kRunStoppedLine);
}

TEST_F(MainWindowTest, ViewLogFileShowsItsLinesAndTheRunsThatFollow) {
  WriteJob(1);
  test::WriteFile(dir_ / "old.log", "a\r\nb\r\n");
  prompts_.files = {dir_ / "old.log", "", dir_ / "gone.log", dir_ / "old.log"};
  main_->Perform(MainCommand::ViewLogFile);
  main_->Perform(MainCommand::ViewLogFile);  // cancelled: nothing changes
  main_->Perform(MainCommand::ViewLogFile);
  EXPECT_EQ(prompts_.errors, Lines{"Cannot open file \"" + dir_ / "gone.log\". " +
                                   platform::ErrorText(platform::kErrNotFound) + "."});
  EXPECT_EQ(view_.lines, (Lines{"a", "b"}));
  // The browser starts where the log files are, not beside the program,
  // and finds that folder made before any run.
  EXPECT_EQ(prompts_.fileRequests[0], dir_ / "Log" + kSep + "|Log files|*.log");
  EXPECT_TRUE(test::Exists(dir_ / "Log"));
  PerformToTheEnd(MainCommand::Synchronise);  // AppendLog off: the file's lines go
  EXPECT_EQ(view_.lines.size(), 2u);
  EXPECT_EQ(StartLines(), 1);
  main_->Perform(MainCommand::ViewLogFile);
  main_->Settings().appendLog = true;
  PerformToTheEnd(MainCommand::Synchronise);
  EXPECT_EQ(Lines(view_.lines.begin(), view_.lines.begin() + 3), (Lines{"a", "b", ""}));
  EXPECT_EQ(view_.lines[3].rfind("Synchronisation started at: ", 0), 0u);
}

TEST(LogAreaTest, LinesWaitAndReachTheViewTogether) {
  FakeMainView view;
  ui::LogArea area(view);
  // Counted at once, shown when flushed; an empty first line is a line.
  area.Add("");
  area.Add("x");
  EXPECT_EQ(area.Count(), 2);
  EXPECT_TRUE(view.lines.empty());
  area.Flush();
  EXPECT_EQ(view.lines, (Lines{"", "x"}));
  // Clearing and replacing drop the waiting lines too.
  area.Add("z");
  area.Clear();
  EXPECT_EQ(area.Count(), 0);
  area.Add("w");
  area.ReplaceAll({""});
  EXPECT_EQ(area.Count(), 1);
  area.Flush();
  EXPECT_EQ(view.lines, Lines{""});
  area.ReplaceAll({});
  EXPECT_EQ(area.Count(), 0);
}

TEST(LogAreaTest, TheViewFollowsTheEndAndShowsANewRunFromItsFirstLine) {
  FakeMainView view;
  ui::LogArea area(view);
  area.ReplaceAll(Lines(500, "viewed"));
  EXPECT_EQ(view.top, 0);
  const auto add = [&](int n) {
    for (int i = 0; i < n; ++i) area.Add("line");
    area.Flush();
  };
  view.top = 100;  // the user reads above the end
  add(1);
  EXPECT_EQ(view.top, 100);
  view.top = view.LastTop();
  add(50);
  EXPECT_EQ(view.top, view.LastTop());
  for (const int more : {200, 3}) {  // longer than the view, and shorter
    view.top = 10;
    area.RunBegins();
    const int first = area.Count();
    add(more);
    EXPECT_EQ(view.top, std::min(first, view.LastTop())) << more;
  }
}

TEST_F(MainWindowTest, TimedRuns) {
  WriteJob(1);
  Due();
  PerformToTheEnd(MainCommand::Tick);
  EXPECT_EQ(StartLines(), 1);
  EXPECT_FALSE(main_->Schedule().Armed());
  // An error escaping the run is shown, and the next tick in the minute
  // tries again.
  HeldDisk disk(platform::RealFileSystem());
  disk.fails = true;
  disk.Release();
  Create(&disk);
  Due();
  PerformToTheEnd(MainCommand::Tick);
  EXPECT_EQ(prompts_.errors, Lines{"disk gone."});
  EXPECT_TRUE(main_->Schedule().Armed());
  EXPECT_EQ(main_->Schedule().NextTime(), "10:05");
  EXPECT_FALSE(main_->RunInProgress());
  EXPECT_FALSE(main_->LastResult());
}

TEST_F(MainWindowTest, ARunOfABusyConfigurationOnlySaysSo) {
  WriteJob(2);
  main_->Settings().logFile = true;
  const platform::RunLock other(main_->ConfigPath());  // another process's run
  ASSERT_TRUE(other.held());
  PerformToTheEnd(MainCommand::Synchronise);
  PerformToTheEnd(MainCommand::Synchronise);
  Due();
  PerformToTheEnd(MainCommand::Tick);
  EXPECT_FALSE(main_->Schedule().Armed());  // as after a run
  EXPECT_EQ(view_.lines, Lines(3, "Another run of this configuration is in progress"));
  EXPECT_EQ(main_->LastResult(), RunResult::Busy);
  EXPECT_FALSE(test::Exists(dir_ / "D/f0"));
  EXPECT_FALSE(test::Exists(dir_ / "Log/Tandrel.log"));
}

}  // namespace
}  // namespace tandrel
