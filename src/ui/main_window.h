#pragma once
// What the main window decides: its commands, the close question and when
// the program ends, and how the log area takes a run's lines. The window
// itself (menus, tool buttons, tray icon, timer) calls one method per event
// and shows what it is told through MainView.

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/general_settings.h"
#include "config/locations.h"
#include "engine/run_engine.h"
#include "engine/scheduler.h"
#include "ui/log_area.h"
#include "ui/prompter.h"
#include "ui/run_queue.h"

namespace tandrel::ui {

// Every command of the menus, tool buttons, tray icon and timer.
enum class MainCommand {
  Synchronise,
  Stop,
  Preview,
  Exit,
  ViewLogFile,
  Jobs,
  General,
  Contents,
  About,
  Restore,
  Tick
};

// The main window as its logic sees it. Lines are 8-bit text of the locale
// and count from 0.
class MainView {
 public:
  virtual ~MainView() = default;
  // ---- The log area ----
  virtual void ClearLines() = 0;
  // Adds the lines after the shown ones; `belowShown` tells whether any
  // line is shown, since a single empty line looks like none.
  virtual void AppendLines(const std::vector<std::string>& lines, bool belowShown) = 0;
  // Shows exactly these lines, from the top.
  virtual void ReplaceLines(const std::vector<std::string>& lines) = 0;
  // Whether the last line is in view (the user has not scrolled up).
  virtual bool ShowsLastLine() const = 0;
  // Scrolls `line` to the top, or as near as the lines below it allow.
  virtual void ScrollToLine(int line) = 0;
  virtual void ScrollToEnd() = 0;
  // While a run is under way the window calls MainWindowLogic::Drain on its
  // own thread about every `interval`; zero: no more.
  virtual void DrainEvery(std::chrono::milliseconds interval) = 0;
  // ---- Beside the log ----
  // The status bar's text: how far a run is, or how the last one ended.
  virtual void ShowStatus(const std::string& text) = 0;
  // The tray icon's tip, and a message from it that goes away by itself.
  virtual void ShowTrayTip(const std::string& text) = 0;
  virtual void ShowTrayMessage(const std::string& text) = 0;
  // ---- The windows ----
  // Asks the window to close, as its close button does; the window then
  // asks MainWindowLogic::CloseRequested.
  virtual void CloseWindow() = 0;
  // The dialogs, each shown modally.
  virtual void ShowJobs() = 0;
  virtual void ShowGeneral() = 0;
  virtual void ShowAbout() = 0;
  // Brings the window back from the tray, and on top of it a dialog or box
  // that is open meanwhile.
  virtual void Restore() = 0;
  // Hides the window and leaves the message loop: the program ends.
  virtual void EndProgram() = 0;
};

class MainWindowLogic {
 public:
  static const char* const kCaption;  // the main window's caption
  static const Question kCloseQuestion;
  // Asked after a close confirmed during a run: stop the run now, or let it
  // finish first.
  static const Question kStopRunQuestion;
  // While a run goes on, the window takes what it has queued this often:
  // its lines reach the log area, and its progress the status bar, at most
  // this far apart.
  static constexpr std::chrono::milliseconds kDrainInterval{100};

  // What the window does when it is created, apart from starting its timer:
  // the settings loaded and the next run scheduled. `view` and `prompter`
  // are used from the first event on. Runs go through `fileSystem` when one
  // is given, otherwise through the platform's own.
  MainWindowLogic(std::string programPath, MainView& view, Prompter& prompter,
                  const platform::FileSystem* fileSystem = nullptr);
  // A run still under way is stopped (its copy in hand abandoned) and
  // waited for.
  ~MainWindowLogic();
  MainWindowLogic(const MainWindowLogic&) = delete;
  MainWindowLogic& operator=(const MainWindowLogic&) = delete;

  // Runs a command, showing an error that escapes it in the error box; then
  // ends the program if a close was agreed to meanwhile and no run remains.
  // Each menu item, tool button, tray item and the timer of either front end
  // calls it with its command. Synchronise and Preview start a run on a
  // thread of its own and return at once; every command stays usable
  // during it, but no second run starts.
  void Perform(MainCommand command);
  // Takes what the run has queued: its lines to the log area, its progress
  // to the status bar and the tray tip, and its end. The window calls it on
  // its own thread, as MainView::DrainEvery asks.
  void Drain();
  // Waits until the run under way has ended, then drains: for a start-up
  // that runs once and ends, and for tests. Returns at once without a run.
  void FinishRun();
  // Shows, beside how the last run ended, when the next timed run falls due:
  // on the status bar and in the tray icon's tip. The front end calls it
  // once its window is shown; every command that may change either calls it
  // again.
  void ShowSchedule();

  // The session is ending: agree, and close from now on without asking.
  void QueryEndSession() { sessionEnding_ = true; }
  bool SessionEnding() const { return sessionEnding_; }
  // The window is asked to close, by the user or by Exit. Asks the close
  // question unless the session is ending or a close was agreed to before,
  // and during a run whether to stop it now; returns whether the window
  // closes. The program then ends as soon as no run is in progress: at once,
  // or when the run has ended.
  bool CloseRequested();
  bool EndRequested() const { return endRequested_; }

  // Whether the configuration file can be read: empty, or its error, which
  // is then also written to the log area and the failure echo.
  std::string CheckConfiguration();
  // Where a run's failures go besides the log (standard error for "/SYNC");
  // none by default.
  void SetFailureEcho(std::function<void(const std::string&)> echo) {
    queue_.SetFailureEcho(std::move(echo));
  }

  bool RunInProgress() const { return runInProgress_; }
  // How the last run ended; none before the first has ended.
  std::optional<RunResult> LastResult() const { return lastResult_; }

  // The settings runs and the timer go by; the General dialog changes them.
  GeneralSettings& Settings() { return settings_; }
  // Works out the next timed run again from the settings, as when the
  // General dialog closes.
  void Replan();
  const Scheduler& Schedule() const { return scheduler_; }
  RunEngine& Engine() { return engine_; }
  const std::string& ConfigPath() const { return locations_.configFile; }
  const std::string& LogFolder() const { return locations_.logFolder; }
  const std::string& ManualPath() const { return locations_.manual; }
  // The lines of the log area, shown or waiting.
  int LineCount() const { return log_.Count(); }

  // The clock of the schedule and of runs (tests set their own).
  void SetClock(std::function<std::time_t()> clock);
  std::time_t Now() const { return clock_(); }

 private:
  enum class RunKind { Manual, Timed, Preview };
  void Run(MainCommand command);
  void StartRun(RunKind kind);
  // Asks the run under way to stop; its summary then says so.
  void StopRun();
  void RunFinished(const RunEvent& finished);
  void ShowProgress();
  void ViewLogFile();
  void EndWhenIdle();

  MainView& view_;
  Prompter& prompter_;
  FileLocations locations_;
  GeneralSettings settings_;
  Scheduler scheduler_;
  RunQueue queue_;
  RunEngine engine_;
  LogArea log_;
  std::function<std::time_t()> clock_;
  std::thread runThread_;
  bool runInProgress_ = false;
  RunKind runKind_ = RunKind::Manual;
  bool appendLog_ = false;  // the run under way appends to the log area
  bool stopAsked_ = false;  // the user asked the run under way to stop
  std::time_t runStarted_ = 0;
  std::optional<RunResult> lastResult_;
  bool sessionEnding_ = false;
  bool endRequested_ = false;
  // How the last run (or preview) ended, as the status bar and the tip say
  // it; empty before the first.
  std::string endedStatus_, endedTip_;
};

}  // namespace tandrel::ui
