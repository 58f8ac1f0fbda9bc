#include "ui/main_window.h"

#include <stdexcept>

#include "config/ini_file.h"
#include "engine/preview_summary.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "support/text_lines.h"
#include "ui/main_menu.h"
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

MainWindowLogic::MainWindowLogic(std::string programPath, MainView& view, Prompter& prompter,
                                 const platform::FileSystem* fileSystem)
    : view_(view),
      prompter_(prompter),
      locations_(PreparedLocationsFor(programPath)),
      engine_(locations_, queue_, fileSystem),
      log_(view),
      clock_([] { return std::time(nullptr); }) {
  settings_ = ReadGeneralSettings(IniFile(ConfigPath()));
  Replan();
}

void MainWindowLogic::Replan() { scheduler_.Plan(settings_.time, settings_.interval, Now()); }

MainWindowLogic::~MainWindowLogic() {
  if (runThread_.joinable()) {
    engine_.RequestStop();
    runThread_.join();
  }
}

void MainWindowLogic::SetClock(std::function<std::time_t()> clock) {
  clock_ = clock;
  engine_.SetClock(std::move(clock));
}

void MainWindowLogic::Perform(MainCommand command) {
  Guarded(prompter_, [this, command] { Run(command); });
  // New settings may move the next timed run.
  if (!runInProgress_ && command == MainCommand::General) ShowSchedule();
  EndWhenIdle();
}

const char* CommandName(MainCommand command) {
  switch (command) {
    case MainCommand::Synchronise:
      return "Synchronise";
    case MainCommand::Stop:
      return "Stop";
    case MainCommand::Preview:
      return "Preview";
    case MainCommand::Exit:
      return "Exit";
    case MainCommand::ViewLogFile:
      return "ViewLogFile";
    case MainCommand::Jobs:
      return "Jobs";
    case MainCommand::General:
      return "General";
    case MainCommand::Contents:
      return "Contents";
    case MainCommand::About:
      return "About";
    case MainCommand::Restore:
      return "Restore";
    case MainCommand::Tick:
      return "Tick";
  }
  return "";
}

void MainWindowLogic::ShowSchedule() {
  const std::string next = scheduler_.NextTimedRun();
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
      if (!runInProgress_) StartRun(RunKind::Manual);
      break;
    case MainCommand::Stop:
      if (runInProgress_) StopRun();
      break;
    case MainCommand::Preview:
      // What a run would do now, in the log area; nothing is changed.
      if (!runInProgress_) StartRun(RunKind::Preview);
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
      Replan();
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
      if (scheduler_.Tick(Now(), runInProgress_)) StartRun(RunKind::Timed);
      break;
  }
}

void MainWindowLogic::StartRun(RunKind kind) {
  RunSettings settings = RunSettings::From(settings_);
  settings.preview = kind == RunKind::Preview;
  runKind_ = kind;
  appendLog_ = settings.appendLog;
  stopAsked_ = false;
  runStarted_ = Now();
  runInProgress_ = true;
  if (kind != RunKind::Preview) view_.ShowTrayTip(RunningTip({}));
  view_.DrainEvery(kDrainInterval);
  runThread_ = std::thread([this, settings] {
    try {
      queue_.Finished(engine_.RunJobs(settings), nullptr);
    } catch (...) {
      queue_.Finished(RunResult::Failed, std::current_exception());
    }
  });
}

void MainWindowLogic::StopRun() {
  stopAsked_ = true;
  engine_.RequestStop();
}

void MainWindowLogic::Drain() {
  Guarded(prompter_, [this] {
    for (const RunEvent& event : queue_.Take()) {
      switch (event.kind) {
        case RunEvent::Kind::Begins:
          log_.RunBegins();
          if (!appendLog_) log_.Clear();
          if (log_.Count() >= 1) log_.Add("");  // separates runs in the window only
          break;
        case RunEvent::Kind::Line:
          log_.Add(event.line);
          break;
        case RunEvent::Kind::Finished:
          // The run's last lines are on the screen while it still counts as
          // under way.
          log_.Flush();
          RunFinished(event);
          break;
      }
    }
    log_.Flush();
    if (runInProgress_) ShowProgress();
  });
  EndWhenIdle();
}

void MainWindowLogic::FinishRun() {
  if (!runInProgress_) return;
  queue_.WaitUntilFinished();
  Drain();
}

void MainWindowLogic::ShowProgress() {
  const RunProgress progress = engine_.Progress();
  view_.ShowStatus(ProgressText(progress, engine_.Counts()));
  if (runKind_ != RunKind::Preview) view_.ShowTrayTip(RunningTip(progress));
}

void MainWindowLogic::RunFinished(const RunEvent& finished) {
  runThread_.join();
  runInProgress_ = false;
  view_.DrainEvery(std::chrono::milliseconds(0));
  if (finished.error) {
    if (runKind_ == RunKind::Timed) scheduler_.TimedRunFailed();
    std::rethrow_exception(finished.error);
  }
  const RunResult result = finished.result;
  lastResult_ = result;
  const RunCounts counts = engine_.Counts();
  if (runKind_ == RunKind::Preview) {
    // A preview did nothing: the last run's tray tip stays.
    if (RanJobs(result)) {
      endedStatus_ = PreviewSummary(counts);
      log_.Add(endedStatus_);
    }
  } else if (RanJobs(result)) {
    // The status bar keeps how the run ended, and the tray icon says it; a
    // timed run that failed says so in a tray message, since nobody watched.
    const std::time_t ended = Now();
    const RunProgress progress = engine_.Progress();
    endedStatus_ = SummaryText(runStarted_, ended, counts, progress, stopAsked_);
    endedTip_ = EndedTip(ended, progress, stopAsked_);
    if (runKind_ == RunKind::Timed && result == RunResult::Failed) {
      view_.ShowTrayMessage(TimedRunFailedText(ended, progress));
    }
  }
  if (runKind_ == RunKind::Timed) scheduler_.TimedRunEnded(Now());
  ShowSchedule();
}

std::string MainWindowLogic::CheckConfiguration() {
  const std::string error = ConfigurationErrorOf(ConfigPath());
  if (!error.empty()) {
    log_.Add(error);
    log_.Flush();
    queue_.Failure(error);
  }
  return error;
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
  log_.ReplaceAll(SplitLines(content));
}

bool MainWindowLogic::CloseRequested() {
  if (!sessionEnding_ && !endRequested_) {
    Button answer = Button::No;
    Guarded(prompter_, [&] { answer = prompter_.Ask(kCloseQuestion); });
    if (answer != Button::Yes) return false;
    if (runInProgress_) {
      Button stop = Button::No;
      Guarded(prompter_, [&] { stop = prompter_.Ask(kStopRunQuestion); });
      if (stop == Button::Yes) {
        StopRun();
      } else {
        view_.ShowTrayTip("Tandrel: finishing the run, then ending");
      }
    }
  }
  endRequested_ = true;
  // During a run the program ends once the window has taken the run's end.
  EndWhenIdle();
  return true;
}

void MainWindowLogic::EndWhenIdle() {
  if (endRequested_ && !runInProgress_) view_.EndProgram();
}

}  // namespace tandrel::ui
