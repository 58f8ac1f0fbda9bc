// The main window's decisions over real runs in a temporary program folder,
// through a view that keeps the log area's lines and scroll position as
// plain data and records what the logic asked of the windows.

#include "ui/main_window.h"
#include "ui/run_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/paths.h"
#include "platform/platform.h"
#include "scripted_prompter.h"
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
  Lines asked;                      // what the logic asked of the windows
  std::function<void()> meanwhile;  // what the message loop runs

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
  void ProcessMessages() override {
    if (auto run = std::exchange(meanwhile, nullptr)) run();
  }
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
  void EndProgram() override { asked.push_back(main->RunInProgress ? "end during the run" : "end"); }
};

// A main window whose run fails as soon as it has begun.
class FailingMain : public ui::MainWindowLogic {
 public:
  using MainWindowLogic::MainWindowLogic;
  void MemoAdd(const std::string& line) override {
    if (line.rfind("Synchronisation started at", 0) == 0) throw std::runtime_error("disk gone");
    MainWindowLogic::MemoAdd(line);
  }
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { Create<ui::MainWindowLogic>(); }

  template <typename Main>
  void Create() {
    main_ = std::make_unique<Main>(dir_ / "tandrel", view_, prompts_);
    main_->SetClock([] { return test::LocalTime(2026, 3, 10, 10, 5, 0); });
    view_.main = main_.get();
  }
  // One active job over a source of `files` files.
  void WriteJob(int files) {
    for (int i = 0; i < files; ++i) test::WriteFile(dir_ / "S/f" + std::to_string(i), "content");
    test::MakeDir(dir_ / "D");
    test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + dir_ / "S" +
                                              "\r\nDestination=" + dir_ / "D\r\n");
  }
  long StartLines() const {
    return std::count_if(view_.lines.begin(), view_.lines.end(), [](const std::string& l) {
      return l.rfind("Synchronisation started at: ", 0) == 0;
    });
  }
  void Due() { main_->SyncTime = main_->NextSyncTime = "10:05", main_->TimerArmed = true; }

  test::ScopedTempDir dir_;
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
  EXPECT_EQ(main.SyncTime, "00:10");
  EXPECT_TRUE(main.IntervalMode && main.LogFile && !main.TimerArmed && !main.RunInProgress);
  const auto inTenMinutes = [](std::time_t t) {
    const std::tm at = platform::LocalTime(t + 600);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", at.tm_hour, at.tm_min);
    return std::string(text);
  };
  EXPECT_TRUE(main.NextSyncTime == inTenMinutes(before) || main.NextSyncTime == inTenMinutes(after))
      << main.NextSyncTime;
}

TEST_F(MainWindowTest, CommandsAskTheirWindowsOrTheDesktop) {
  main_->IntervalMode = true;
  main_->SyncTime = "01:00";
  main_->NextSyncTime = "xx:xx";
  for (MainCommand c : {MainCommand::Jobs, MainCommand::General, MainCommand::About, MainCommand::Restore,
                        MainCommand::Contents})
    main_->Perform(c);
  EXPECT_EQ(view_.asked, (Lines{"jobs", "general", "about", "restore"}));
  EXPECT_EQ(main_->NextSyncTime, "11:05");  // recomputed once the general dialog is closed
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

TEST_F(MainWindowTest, SynchroniseDuringARunStartsNoSecondRun) {
  WriteJob(5);
  main_->AppendLog = true;
  bool nested = false;
  view_.meanwhile = [&] {
    nested = main_->RunInProgress;
    main_->Perform(MainCommand::Synchronise);
    main_->Perform(MainCommand::Tick);
  };
  Due();
  main_->Perform(MainCommand::Synchronise);
  EXPECT_TRUE(nested);
  EXPECT_EQ(StartLines(), 1);
  EXPECT_EQ(std::count(view_.lines.begin(), view_.lines.end(), kRunBusyLine), 0);  // not even tried
  EXPECT_TRUE(test::Exists(dir_ / "D/f4"));
  EXPECT_TRUE(main_->TimerArmed);  // the tick inside the run ran nothing
  main_->Perform(MainCommand::Synchronise);
  EXPECT_EQ(StartLines(), 2);
}

TEST_F(MainWindowTest, PreviewShowsWhatARunWouldDoAndChangesNothing) {
  WriteJob(2);
  test::WriteFile(dir_ / "D/stale", "gone from the source");
  test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n0=J\r\n[J]\r\nSource=" + dir_ / "S" +
                                            "\r\nDestination=" + dir_ / "D\r\nCleanup Destination=1\r\n");
  main_->Perform(MainCommand::Preview);
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
  main_->Perform(MainCommand::Synchronise);
  EXPECT_NE(view_.lines.back(), kRunStoppedLine);
  view_.meanwhile = [&] { main_->Perform(MainCommand::Stop); };
  main_->Perform(MainCommand::Synchronise);
  EXPECT_EQ(view_.lines.back(), kRunStoppedLine);
}

TEST_F(MainWindowTest, StatusAndTrayFollowTheRunAndKeepHowItEnded) {
  WriteJob(3);
  // Every chance to handle messages comes long after the last.
  auto now = std::chrono::steady_clock::time_point();
  main_->SetSteadyClock([&] { return now += std::chrono::seconds(1); });
  std::string during, tipDuring;
  std::function<void()> watch = [&] {
    during = view_.status, tipDuring = view_.tip;
    view_.meanwhile = watch;
  };
  view_.meanwhile = watch;
  main_->Perform(MainCommand::Synchronise);
  view_.meanwhile = nullptr;
  EXPECT_EQ(tipDuring, "Tandrel: running job \"J\"");
  EXPECT_EQ(during.rfind("Job \"J\" - " + dir_ / "S" + kSep, 0), 0u) << during;
  EXPECT_EQ(view_.status,
            "Ended 26-03-10  10:05: 0 failures, 3 copied, 0 + 0 deleted (From + To), 0 folders removed");
  EXPECT_EQ(view_.tip, "Tandrel: last run ended 26-03-10  10:05, no failures");
  EXPECT_TRUE(view_.trayMessages.empty());

  // A timed run that fails says so in the tray.
  test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n0=Gone\r\n");
  Due();
  main_->Perform(MainCommand::Tick);
  EXPECT_EQ(view_.trayMessages, Lines{"The timed run of 26-03-10  10:05 ended with 1 failure"});
  EXPECT_EQ(view_.tip, "Tandrel: last run ended 26-03-10  10:05, 1 failure - Next timed run: 10:05");
}

TEST_F(MainWindowTest, TheNextTimedRunIsShownBesideHowTheLastRunEnded) {
  // A fresh General dialog stores 00:00: a daily run at midnight.
  test::WriteFile(dir_ / "tandrel.cfg", "[Active Jobs]\r\n[Synchronisation time]\r\nTime=00:00\r\n");
  Create<ui::MainWindowLogic>();
  main_->ShowSchedule();
  EXPECT_EQ(view_.status, "Next timed run: 00:00");
  EXPECT_EQ(view_.tip, "Tandrel - Next timed run: 00:00");
  main_->Perform(MainCommand::Synchronise);
  EXPECT_EQ(view_.status,
            "Ended 26-03-10  10:05: 0 failures, 0 copied, 0 + 0 deleted (From + To), "
            "0 folders removed - Next timed run: 00:00");
  main_->SyncTime = main_->NextSyncTime = "  :  ";
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
  Create<ui::MainWindowLogic>();
  main_->QueryEndSession();
  EXPECT_TRUE(main_->WindowsEnding);
  EXPECT_FALSE(main_->EndRequested());  // another program may still cancel the log-off
  EXPECT_TRUE(main_->CloseRequested());
  EXPECT_EQ(prompts_.asked.size(), 2u);
}

TEST_F(MainWindowTest, AConfirmedCloseLetsTheRunFinishThenEnds) {
  WriteJob(20);
  main_->ExtendedLog = true;
  view_.meanwhile = [&] {
    prompts_.answers = {ui::Button::Yes, ui::Button::No};  // close, but let the run finish
    main_->Perform(MainCommand::Exit);
    EXPECT_EQ(view_.tip, "Tandrel: finishing the run, then ending");
  };
  main_->Perform(MainCommand::Synchronise);
  EXPECT_EQ(view_.asked, (Lines{"closed", "end"}));
  EXPECT_EQ(view_.lines.back().rfind("Dir " + dir_ / "S" + kSep + " - 20 files", 0), 0u)
      << view_.lines.back();
  EXPECT_TRUE(test::Exists(dir_ / "D/f19"));

  // Closed and stopped: the run ends after the file in hand, then the program.
  Create<ui::MainWindowLogic>();
  main_->ExtendedLog = true;
  view_.asked.clear();
  view_.meanwhile = [&] {
    prompts_.answers = {ui::Button::Yes, ui::Button::Yes};
    main_->Perform(MainCommand::Exit);
  };
  main_->Perform(MainCommand::Synchronise);
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
  main_->Perform(MainCommand::Synchronise);  // AppendLog off: the file's lines go
  EXPECT_EQ(view_.lines.size(), 2u);
  EXPECT_EQ(StartLines(), 1);
  main_->Perform(MainCommand::ViewLogFile);
  main_->AppendLog = true;
  main_->Perform(MainCommand::Synchronise);
  EXPECT_EQ(Lines(view_.lines.begin(), view_.lines.begin() + 3), (Lines{"a", "b", ""}));
  EXPECT_EQ(view_.lines[3].rfind("Synchronisation started at: ", 0), 0u);
}

TEST_F(MainWindowTest, LinesWaitAndReachTheViewTogether) {
  std::chrono::steady_clock::time_point now{};
  main_->SetSteadyClock([&] { return now; });
  // Counted at once, shown at the first message processing and then at
  // most every 100 ms; an empty first line is a line.
  main_->MemoAdd("");
  main_->MemoAdd("x");
  EXPECT_EQ(main_->MemoCount(), 2);
  main_->ProcessPendingMessages();
  EXPECT_EQ(view_.lines, (Lines{"", "x"}));
  main_->MemoAdd("y");
  now += std::chrono::milliseconds(99);
  main_->ProcessPendingMessages();
  EXPECT_EQ(view_.lines.size(), 2u);
  EXPECT_EQ(main_->MemoCount(), 3);
  now += std::chrono::milliseconds(1);
  main_->ProcessPendingMessages();
  EXPECT_EQ(view_.lines.back(), "y");
  // Clearing and replacing drop the waiting lines too.
  main_->MemoAdd("z");
  main_->MemoClear();
  EXPECT_EQ(main_->MemoCount(), 0);
  main_->MemoAdd("w");
  main_->MemoReplaceAll({""});
  EXPECT_EQ(main_->MemoCount(), 1);
  main_->MemoFlush();
  EXPECT_EQ(view_.lines, Lines{""});
  main_->MemoReplaceAll({});
  EXPECT_EQ(main_->MemoCount(), 0);
  // A run shows every line when it ends.
  for (int i = 0; i < 300; ++i) main_->MemoAdd("earlier");
  main_->AppendLog = true;
  main_->Perform(MainCommand::Synchronise);
  ASSERT_EQ(view_.lines.size(), 302u);
  EXPECT_EQ(view_.lines[300], "");
  EXPECT_EQ(StartLines(), 1);
}

TEST_F(MainWindowTest, TheViewFollowsTheEndAndShowsANewRunFromItsFirstLine) {
  main_->MemoReplaceAll(Lines(500, "viewed"));
  EXPECT_EQ(view_.top, 0);
  const auto add = [this](int n) {
    for (int i = 0; i < n; ++i) main_->MemoAdd("line");
    main_->MemoFlush();
  };
  view_.top = 100;  // the user reads above the end
  add(1);
  EXPECT_EQ(view_.top, 100);
  view_.top = view_.LastTop();
  add(50);
  EXPECT_EQ(view_.top, view_.LastTop());
  for (const int more : {200, 3}) {  // longer than the view, and shorter
    view_.top = 10;
    main_->MemoRunBegins();
    const int first = main_->MemoCount();
    add(more);
    EXPECT_EQ(view_.top, std::min(first, view_.LastTop())) << more;
  }
}

TEST_F(MainWindowTest, TimedRuns) {
  WriteJob(1);
  Due();
  main_->Perform(MainCommand::Tick);
  EXPECT_EQ(StartLines(), 1);
  EXPECT_FALSE(main_->TimerArmed);
  // An error escaping the run is shown and the tick is skipped.
  Create<FailingMain>();
  Due();
  main_->Perform(MainCommand::Tick);
  EXPECT_EQ(prompts_.errors, Lines{"disk gone."});
  EXPECT_TRUE(main_->TimerArmed);
  EXPECT_EQ(main_->NextSyncTime, "10:05");
  EXPECT_FALSE(main_->RunInProgress);
}

TEST_F(MainWindowTest, ARunOfABusyConfigurationOnlySaysSo) {
  WriteJob(2);
  main_->LogFile = true;
  const platform::RunLock other(main_->ConfigPath());  // another process's run
  ASSERT_TRUE(other.held());
  main_->Perform(MainCommand::Synchronise);
  main_->Perform(MainCommand::Synchronise);
  Due();
  main_->Perform(MainCommand::Tick);
  EXPECT_FALSE(main_->TimerArmed);  // as after a run
  EXPECT_EQ(view_.lines, Lines(3, "Another run of this configuration is in progress"));
  EXPECT_FALSE(test::Exists(dir_ / "D/f0"));
  EXPECT_FALSE(test::Exists(dir_ / "Log/Tandrel.log"));
}

}  // namespace
}  // namespace tandrel
