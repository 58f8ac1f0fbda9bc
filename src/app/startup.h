#pragma once
// The program's entry: the start-up sequence, the "/SYNC" road (one run, no
// message loop) and the resident road (message loop, tray icon).

#include <functional>
#include <memory>
#include <string>

#include "engine/main_base.h"

namespace tandrel {

class TfAbout;
class TfConfigGeneral;
class TfConfigJobs;
class TfMain;

// The application's title: the error box's caption, and the name before
// an error's message on standard error.
inline constexpr char kApplicationTitle[] = "Kolvane Tandrel";

// Show states the start-up tells apart (the values Windows gives them).
constexpr int kShowDefault = 10;
constexpr int kShowMinNoActive = 7;  // stay hidden, tray icon only

// Exit codes of the program.
constexpr int kExitClean = 0;         // a clean run, or the resident program ended
constexpr int kExitStartUpError = 1;  // an error ended the start-up (shown in the error box),
                                      // such as a configuration file that cannot be read
constexpr int kExitRunFailed = 2;     // the run ended but reported a failure
constexpr int kExitBusy = 3;          // another run of the same configuration was in progress

// The exit code of an unattended run that ended with `result`.
int ExitCodeOf(RunResult result);

// The program's windows, created in this order and kept until it ends.
struct Windows {
  Windows();
  ~Windows();  // the dialogs go before the main window
  std::unique_ptr<TfMain> fMain;
  std::unique_ptr<TfConfigJobs> fConfigJobs;
  std::unique_ptr<TfAbout> fAbout;
  std::unique_ptr<TfConfigGeneral> fConfigGeneral;
};

struct StartUpOptions {
  std::string programPath;   // full path of the executable
  std::string argumentText;  // the command line after the program name
  int showState = kShowDefault;
  // False without a display: nobody would see the splash, so it is not
  // waited for.
  bool showSplash = true;
  // Called once the main object exists, on either road: the main window,
  // or the engine object of an unattended run without a display.
  std::function<void(TfMainBase&)> mainCreated;
  // Called once the windows exist, before the splash.
  std::function<void(Windows&)> windowsCreated;
  // The message loop of the resident road; QApplication::exec() when empty.
  std::function<int()> messageLoop;
};

// The arguments after the program name, joined by blanks.
std::string ArgumentText(int argc, const char* const* argv);
// "--minimized" among the arguments gives kShowMinNoActive.
int ShowStateOf(int argc, const char* const* argv);
// "/SYNC" anywhere in the argument text, letter case ignored by the locale's rules.
bool HasSyncSwitch(const std::string& argumentText);

// The answer to "--help"/"-h" or "--version" among the arguments, printed
// instead of starting the program; empty when neither is given.
std::string CommandLineAnswer(int argc, const char* const* argv, const std::string& programPath);

// The start-up sequence on the application object that already exists.
// Returns the exit code: one of the kExit values above; the resident road
// always ends with kExitClean.
int StartUp(const StartUpOptions& options);

// Whether "/SYNC" runs without the window system: the program chose the
// offscreen platform itself (no display at all, none asked for by the
// environment or a "-platform" argument), and the framework's own notes
// (TANDREL_DEBUG) are not wanted. Nobody could see a window then.
bool RunsUnattended(bool chosenOffscreen, int argc, const char* const* argv, bool debug);

// The whole program: locale, display platform, application object, start-up;
// an unattended "/SYNC" without any display runs without the window system.
// `adjust`, when given, may change the start-up options before the sequence.
int RunProgram(int argc, char** argv, const std::function<void(StartUpOptions&)>& adjust = {});

}  // namespace tandrel
