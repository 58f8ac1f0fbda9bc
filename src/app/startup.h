#pragma once
// The program's entry: the start-up sequence, the "/SYNC" road (one run, no
// message loop) and the resident road (message loop, tray icon).

#include <functional>
#include <memory>
#include <string>

#include "program/command_line.h"
#include "program/exit_codes.h"

namespace tandrel {

class AboutWindow;
class GeneralDialog;
class JobsDialog;
class MainWindow;

// The program's windows, created in this order and kept until it ends.
struct Windows {
  Windows();
  ~Windows();  // the dialogs go before the main window
  std::unique_ptr<MainWindow> mainWindow;
  std::unique_ptr<JobsDialog> jobsDialog;
  std::unique_ptr<AboutWindow> aboutWindow;
  std::unique_ptr<GeneralDialog> generalDialog;
};

struct StartUpOptions {
  std::string programPath;   // full path of the executable
  std::string argumentText;  // the command line after the program name
  int showState = kShowDefault;
  // False without a display: nobody would see the splash, so it is not
  // waited for.
  bool showSplash = true;
  // Called once the main object exists, on either road: the main window,
  // or the engine of an unattended run without a display.
  std::function<void()> created;
  // Called once the windows exist, before the splash.
  std::function<void(Windows&)> windowsCreated;
  // The message loop of the resident road; QApplication::exec() when empty.
  std::function<int()> messageLoop;
};

// The start-up sequence on the application object that already exists.
// Returns the exit code: one of the kExit values of exit_codes.h; the resident road
// always ends with kExitClean.
int StartUp(const StartUpOptions& options);

// The whole program: locale, display platform, application object, start-up;
// an unattended "/SYNC" without any display runs without the window system.
// `adjust`, when given, may change the start-up options before the sequence.
int RunProgram(int argc, char** argv, const std::function<void(StartUpOptions&)>& adjust = {});

}  // namespace tandrel
