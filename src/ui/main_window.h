#pragma once
// What the main window decides: its commands, the close question and when
// the program ends, and how the log area takes a run's lines. The window
// itself (menus, tool buttons, tray icon, timer) calls one method per event
// and shows what it is told through MainView.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/main_base.h"
#include "ui/prompter.h"

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
  // Lets the window system handle what is pending; commands may run inside.
  virtual void ProcessMessages() = 0;
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

class MainWindowLogic : public TfMainBase {
 public:
  static const char* const kCaption;  // the main window's caption
  static const Question kCloseQuestion;
  // Asked after a close confirmed during a run: stop the run now, or let it
  // finish first.
  static const Question kStopRunQuestion;
  // While a run goes on, its lines reach the log area at most this far apart.
  static constexpr std::chrono::milliseconds kFlushInterval{100};

  // What the window does when it is created, apart from starting its timer:
  // the settings loaded and the next run scheduled. `view` and `prompter`
  // are used from the first event on.
  MainWindowLogic(std::string programPath, MainView& view, Prompter& prompter);

  // Runs a command, showing an error that escapes it in the error box; then
  // ends the program if a close was agreed to meanwhile and no run remains.
  // Each menu item, tool button, tray item and the timer of either front end
  // calls it with its command.
  void Perform(MainCommand command);
  // Shows, beside how the last run ended, when the next timed run falls due:
  // on the status bar and in the tray icon's tip. The front end calls it
  // once its window is shown; every command that may change either calls it
  // again.
  void ShowSchedule();

  // The session is ending: agree, and close from now on without asking.
  void QueryEndSession() { WindowsEnding = true; }
  // The window is asked to close, by the user or by Exit. Asks the close
  // question unless the session is ending or a close was agreed to before,
  // and during a run whether to stop it now; returns whether the window
  // closes. The program then ends as soon as no run is in progress: at once,
  // or when the run returns.
  bool CloseRequested();
  bool EndRequested() const { return endRequested_; }

  // The clock that spaces the log area's updates (tests set their own).
  void SetSteadyClock(std::function<std::chrono::steady_clock::time_point()> clock) {
    steadyClock_ = std::move(clock);
  }

  // The log area. A run adds a line and processes messages for every file;
  // showing each line on its own would cost far more than the run, so lines
  // wait and reach the view together: at most kFlushInterval apart while a
  // run goes on, and at its end. Counting, clearing and replacing see the
  // waiting lines too.
  void MemoClear() override;
  int MemoCount() const override;
  void MemoAdd(const std::string& line) override;
  void MemoReplaceAll(const std::vector<std::string>& lines) override;
  // The end stays in view while lines arrive, unless the user has scrolled
  // up to read; a new run's first lines come into view wherever the user was.
  void MemoFlush() override;
  // Also shows how far a run is, as often as the lines reach the view.
  void ProcessPendingMessages() override;
  void MemoRunBegins() override;
  // The status bar keeps how the run ended, and the tray icon says it; a
  // timed run that failed says so in a tray message, since nobody watched.
  void RunEnded(RunResult result) override;

 private:
  void Run(MainCommand command);
  void ViewLogFile();
  void EndWhenIdle();
  bool timedRun_ = false;  // the run in progress was started by the timer
  // How the last run (or preview) ended, as the status bar and the tip say
  // it; empty before the first.
  std::string endedStatus_, endedTip_;

  MainView& view_;
  Prompter& prompter_;
  bool endRequested_ = false;
  int shownLines_ = 0;
  std::vector<std::string> pendingLines_;
  bool runComingIntoView_ = false;  // the next lines shown are a new run's first
  std::function<std::chrono::steady_clock::time_point()> steadyClock_ = [] {
    return std::chrono::steady_clock::now();
  };
  std::optional<std::chrono::steady_clock::time_point> flushed_;
};

}  // namespace tandrel::ui
