#include "ui/main_window.h"

#include <stdexcept>

#include "engine/preview_run.h"
#include "platform/platform.h"
#include "support/text_lines.h"
#include "ui/run_status.h"

namespace tandrel::ui {

const char* const MainWindowLogic::kCaption = "Kolvane Directory Synchronisation";
const Question MainWindowLogic::kCloseQuestion = {
    "Stop Tandrel?",
    "Press YES to stop directory synchronisation\r\nPress NO to continue without any changes.",
    BoxIcon::Critical, BoxButtons::YesNo, Button::No};

const Question MainWindowLogic::kStopRunQuestion = {
    "Tandrel",
    "A synchronisation is in progress.\r\nPress YES to stop it now\r\nPress NO to let it finish first.",
    BoxIcon::Warning, BoxButtons::YesNo, Button::No};

MainWindowLogic::MainWindowLogic(std::string programPath, MainView& view, Prompter& prompter)
    : TfMainBase(std::move(programPath)), view_(view), prompter_(prompter) {
  WindowsEnding = false;
  RunInProgress = false;
  LoadGeneralSettings();
  ComputeNextSyncTime();
}

void MainWindowLogic::Perform(MainCommand command) {
  Guarded(prompter_, [this, command] { Run(command); });
  // After a run, a timer tick or new settings the next timed run may have
  // moved; a run in progress shows its progress instead.
  if (!RunInProgress && (command == MainCommand::Synchronise || command == MainCommand::Tick ||
                         command == MainCommand::General || command == MainCommand::Preview)) {
    ShowSchedule();
  }
  EndWhenIdle();
}

void MainWindowLogic::ShowSchedule() {
  const std::string next = NextTimedRun();
  const std::string schedule = next.empty() ? std::string() : "Next timed run: " + next;
  const auto beside = [&schedule](const std::string& ended) {
    return ended.empty() ? schedule : schedule.empty() ? ended : ended + " - " + schedule;
  };
  view_.ShowStatus(beside(endedStatus_));
  // Before the first run the tip says only what there is to say.
  if (!endedTip_.empty() || !schedule.empty()) {
    view_.ShowTrayTip(beside(endedTip_.empty() ? std::string("Tandrel") : endedTip_));
  }
}

void MainWindowLogic::Run(MainCommand command) {
  switch (command) {
    case MainCommand::Synchronise:
      // Also asked for from inside a run, while it processes messages.
      if (!RunInProgress) RunJobs();
      break;
    case MainCommand::Stop:
      RequestStop();
      break;
    case MainCommand::Preview:
      // What a run would do now, in the log area; nothing is changed.
      if (!RunInProgress) {
        const RunResult result = PreviewJobs(*this);
        if (RanJobs(result)) MemoAdd(PreviewSummary(Counts));
        MemoFlush();
      }
      break;
    case MainCommand::Exit:
      view_.CloseWindow();
      break;
    case MainCommand::ViewLogFile:
      ViewLogFile();
      break;
    case MainCommand::Jobs:
      view_.ShowJobs();
      break;
    case MainCommand::General:
      view_.ShowGeneral();
      ComputeNextSyncTime();
      break;
    case MainCommand::Contents:
      OpenOrSayWhere(prompter_, ManualPath());
      break;
    case MainCommand::About:
      view_.ShowAbout();
      break;
    case MainCommand::Restore:
      view_.Restore();
      break;
    case MainCommand::Tick:
      timedRun_ = true;
      SyncTimerTick();
      timedRun_ = false;
      break;
  }
}

void MainWindowLogic::ViewLogFile() {
  // The browser starts in the Log folder even before a run has made it: a
  // missing start folder would leave it wherever the program was started.
  platform::EnsureDirectory(LogFolder());
  const std::string path = prompter_.OpenFile(LogFolder(), "Log files", "*.log");
  if (path.empty()) return;
  std::string content;
  if (const int error = platform::ReadWholeFile(path, content)) {
    throw std::runtime_error("Cannot open file \"" + path + "\". " + platform::ErrorText(error));
  }
  MemoReplaceAll(SplitLines(content));
}

bool MainWindowLogic::CloseRequested() {
  if (!WindowsEnding && !endRequested_) {
    Button answer = Button::No;
    Guarded(prompter_, [&] { answer = prompter_.Ask(kCloseQuestion); });
    if (answer != Button::Yes) return false;
    if (RunInProgress) {
      Button stop = Button::No;
      Guarded(prompter_, [&] { stop = prompter_.Ask(kStopRunQuestion); });
      if (stop == Button::Yes) {
        RequestStop();
      } else {
        view_.ShowTrayTip("Tandrel: finishing the run, then ending");
      }
    }
  }
  endRequested_ = true;
  // During a run the question was asked from inside the run's message
  // processing: the run goes on, and whoever started it ends the program.
  EndWhenIdle();
  return true;
}

void MainWindowLogic::EndWhenIdle() {
  if (endRequested_ && !RunInProgress) view_.EndProgram();
}

void MainWindowLogic::MemoClear() {
  pendingLines_.clear();
  view_.ClearLines();
  shownLines_ = 0;
}

int MainWindowLogic::MemoCount() const { return shownLines_ + static_cast<int>(pendingLines_.size()); }

void MainWindowLogic::MemoAdd(const std::string& line) { pendingLines_.push_back(line); }

void MainWindowLogic::MemoFlush() {
  if (pendingLines_.empty()) return;
  const bool followEnd = view_.ShowsLastLine();
  const int firstNewLine = shownLines_;
  view_.AppendLines(pendingLines_, shownLines_ > 0);
  shownLines_ += static_cast<int>(pendingLines_.size());
  pendingLines_.clear();
  if (runComingIntoView_) {
    runComingIntoView_ = false;
    view_.ScrollToLine(firstNewLine);
  } else if (followEnd) {
    view_.ScrollToEnd();
  }
}

void MainWindowLogic::MemoReplaceAll(const std::vector<std::string>& lines) {
  pendingLines_.clear();
  view_.ReplaceLines(lines);
  shownLines_ = static_cast<int>(lines.size());
}

void MainWindowLogic::ProcessPendingMessages() {
  if (!flushed_ || steadyClock_() - *flushed_ >= kFlushInterval) {
    MemoFlush();
    if (RunInProgress) {
      view_.ShowStatus(ProgressText(Progress, Counts));
      if (!Previewing) view_.ShowTrayTip(RunningTip(Progress));
    }
    flushed_ = steadyClock_();
  }
  view_.ProcessMessages();
}

void MainWindowLogic::MemoRunBegins() {
  runComingIntoView_ = true;
  if (!Previewing) view_.ShowTrayTip(RunningTip(Progress));
}

void MainWindowLogic::RunEnded(RunResult result) {
  // A preview did nothing: the last run's tray tip stays.
  if (Previewing) {
    endedStatus_ = PreviewSummary(Counts);
    view_.ShowStatus(endedStatus_);
    return;
  }
  const std::time_t ended = Now();
  endedStatus_ = SummaryText(ended, Counts, Progress, StopRequested());
  endedTip_ = EndedTip(ended, Progress, StopRequested());
  view_.ShowStatus(endedStatus_);
  view_.ShowTrayTip(endedTip_);
  if (timedRun_ && result == RunResult::Failed) {
    view_.ShowTrayMessage(TimedRunFailedText(ended, Progress));
  }
}

}  // namespace tandrel::ui
