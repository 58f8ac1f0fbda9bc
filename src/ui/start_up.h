#pragma once
// The start-up sequence of both front ends, once their windows exist: the
// splash, then either the one run of "/SYNC" and the end, or the resident
// program with its message loop.

#include <string>

#include "ui/main_window.h"

namespace tandrel::ui {

// What the sequence asks of a front end.
class StartUpWindows {
 public:
  virtual ~StartUpWindows() = default;
  virtual MainWindowLogic& Logic() = 0;
  // Shows the About window as a splash; it closes by itself.
  virtual void ShowSplash() = 0;
  // Shows the main window as the program was started (`showState`, one of
  // the kShow values of command_line.h).
  virtual void ShowMainWindow(int showState) = 0;
  // An error of the start-up, in the standard error box.
  virtual void ShowError(const std::string& text) = 0;
  // Whether failures of the "/SYNC" run go to standard error as well: where
  // somebody may read it.
  virtual bool EchoesFailures() const = 0;
  // Handles the window system's events until the run under way has ended,
  // so that the tray icon answers meanwhile; not the resident message loop.
  virtual void WaitForRun() = 0;
  // Runs the message loop until the program ends.
  virtual void RunMessageLoop() = 0;
};

// The name by which later starts find the resident copy of the
// configuration at `configPath`: the same for every start of it, another for
// each other configuration; letters, digits and "-" only, so that it serves
// as a socket's or a mutex's name.
std::string ResidentName(const std::string& configPath);

// Returns the exit code: one of the kExit values of exit_codes.h; the
// resident road always ends with kExitClean.
int RunStartUp(StartUpWindows& windows, const std::string& argumentText, int showState, bool showSplash);

}  // namespace tandrel::ui
