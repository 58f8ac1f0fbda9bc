#include "app/startup.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "app/application.h"
#include "app/preview_command.h"
#include "app/tfmain.h"
#include "app/unattended.h"
#include "config/locations.h"
#include "dialogs/about.h"
#include "dialogs/artwork.h"
#include "dialogs/configgeneral.h"
#include "dialogs/configjobs.h"
#include "dialogs/error_box.h"
#include "dialogs/prompts.h"
#include "platform/platform.h"

namespace tandrel {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

QtMessageHandler defaultMessageHandler = nullptr;

// Only real failures reach standard error (and cron's mail); Qt's notes about
// the desktop (no tray, no runtime folder) do not. TANDREL_DEBUG lets them
// through for whoever looks into a problem.
void QuietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  defaultMessageHandler(type, context, message);
}

// Without any display the program still works (from cron, over ssh): Qt's
// offscreen platform needs no screen. Returns whether it was chosen.
bool ChooseDisplayPlatform() {
  if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) return false;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}

std::string Usage(const std::string& programPath) {
  const FileLocations files = LocationsFor(programPath);
  return "Usage: tandrel [--minimized] [/SYNC]\n"
         "       tandrel --preview\n"
         "       tandrel --help | --version\n"
         "\n"
         "Keeps folders in step by the jobs set up in its Jobs dialog.\n"
         "\n"
         "  /SYNC        run every active job once and end, without a window; the\n"
         "               switch counts anywhere in the arguments, in any letter case\n"
         "               (/sync, now/SYNC); without it the program stays resident\n"
         "               in the system tray\n"
         "  --preview    show what a /SYNC run would do now and change nothing: every\n"
         "               line the run would log (with each file's line, whatever the\n"
         "               log settings say) and a count of what it would copy, delete\n"
         "               and remove; no log file, no window; exits as the run would\n"
         "  --minimized  start with the main window hidden, the tray icon only\n"
         "  -h, --help   print this text and end\n"
         "  --version    print the version and end\n"
         "\n"
         "Configuration: " +
         files.configFile + "\n" + "Log folder:    " + files.logFolder + "\n" +
         "Manual:        " + files.manual +
         "\n"
         "\n"
         "Exit codes of a /SYNC run (and of --preview, as the run would most likely end):\n"
         "  0  every active job ran and nothing failed\n"
         "  1  start-up failed, or the configuration file could not be read (the\n"
         "     message goes to standard error)\n"
         "  2  the run ended but reported a failure (also written to standard error)\n"
         "  3  another run of the same configuration was in progress; nothing done\n";
}

// A configuration file that cannot be read, in the standard error box.
void ShowConfigurationError(const TfMainBase& main) {
  ui::ShowException(std::make_exception_ptr(std::runtime_error(main.ConfigurationError())));
}

}  // namespace

Windows::Windows() = default;
Windows::~Windows() {
  fConfigGeneral.reset();
  fAbout.reset();
  fConfigJobs.reset();
  fMain.reset();
}

std::string ArgumentText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

int ShowStateOf(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--minimized") == 0) return kShowMinNoActive;
  }
  return kShowDefault;
}

int ExitCodeOf(RunResult result) {
  switch (result) {
    case RunResult::Clean:
      return kExitClean;
    case RunResult::Failed:
      return kExitRunFailed;
    case RunResult::Busy:
      return kExitBusy;
    case RunResult::Unreadable:
      return kExitStartUpError;
  }
  return kExitRunFailed;
}

std::string CommandLineAnswer(int argc, const char* const* argv, const std::string& programPath) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage(programPath);
    if (std::strcmp(argv[i], "--version") == 0) {
      return "Tandrel " + std::to_string(TANDREL_VERSION_MAJOR) + "." +
             std::to_string(TANDREL_VERSION_MINOR) + "." + std::to_string(TANDREL_VERSION_PATCH) + "." +
             std::to_string(TANDREL_VERSION_TWEAK) + "\n";
    }
  }
  return {};
}

bool HasSyncSwitch(const std::string& argumentText) {
  return platform::UpperCaseLocale(argumentText).find("/SYNC") != std::string::npos;
}

int StartUp(const StartUpOptions& options) {
  Windows windows;
  try {
    // The title is the application name rather than the display name, which
    // Qt would append to every window's caption.
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setWindowIcon(ui::ProductIcon());
    // Hiding the main window to the tray must not end the program; only a
    // confirmed close does.
    QApplication::setQuitOnLastWindowClosed(false);

    windows.fMain = std::make_unique<TfMain>(options.programPath);
    windows.fConfigJobs = std::make_unique<TfConfigJobs>(windows.fMain->ConfigPath(), windows.fMain.get());
    windows.fAbout = std::make_unique<TfAbout>(windows.fMain.get());
    windows.fConfigGeneral = std::make_unique<TfConfigGeneral>(*windows.fMain, windows.fMain.get());
    TfMain& fMain = *windows.fMain;
    fMain.SetWindows(windows.fConfigJobs.get(), windows.fAbout.get(), windows.fConfigGeneral.get());
    if (options.mainCreated) options.mainCreated(fMain);
    if (options.windowsCreated) options.windowsCreated(windows);

    if (options.showSplash) windows.fAbout->exec();

    if (HasSyncSwitch(options.argumentText)) {
      // Nobody watches an unattended run: its failures go to standard error
      // too (cron mails them), and the exit code tells how it went.
      fMain.SetFailureEcho(EchoToStandardError);
      // A close confirmed during this run takes effect when it returns, here.
      const RunResult result = fMain.RunJobs();
      // The failure echo has put the line on standard error; a box that
      // would only write it there again is left out.
      if (result == RunResult::Unreadable && ui::Prompts::ShowsBoxes()) ShowConfigurationError(fMain);
      return ExitCodeOf(result);
    }

    // A close confirmed from the tray icon while the splash was up.
    if (fMain.EndRequested()) return 0;
    if (options.showState == kShowMinNoActive) {
      // Stays hidden; Restore from the tray brings it back in the normal state.
      fMain.setWindowState(Qt::WindowMinimized);
    } else {
      fMain.show();
    }
    // The first thing to see when the jobs cannot be read; every run says it
    // again in the log area.
    if (!fMain.CheckConfiguration()) ShowConfigurationError(fMain);
    if (options.messageLoop) {
      options.messageLoop();
    } else {
      QApplication::exec();
    }
    return 0;
  } catch (...) {
    ui::ShowException(std::current_exception());
    return kExitStartUpError;
  }
}

bool RunsUnattended(bool chosenOffscreen, int argc, const char* const* argv, bool debug) {
  if (!chosenOffscreen || debug || !HasSyncSwitch(ArgumentText(argc, argv))) return false;
  for (int i = 1; i < argc; ++i) {
    // The framework's own argument picks a platform over the environment.
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
  }
  return true;
}

int RunProgram(int argc, char** argv, const std::function<void(StartUpOptions&)>& adjust) {
  platform::InitLocale();
  const std::string programPath = platform::ExecutablePath();
  // Answered before any window or display is involved.
  if (const std::string answer = CommandLineAnswer(argc, argv, programPath); !answer.empty()) {
    std::fwrite(answer.data(), 1, answer.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitClean : kExitStartUpError;
  }
  // Needs no display either, and creates no window.
  if (HasPreviewSwitch(argc, argv)) return RunPreviewCommand(programPath);
  // Read before the application object takes its own options out of argv.
  const std::string argumentText = ArgumentText(argc, argv);
  const int showState = ShowStateOf(argc, argv);
  const bool headless = ChooseDisplayPlatform();
  if (RunsUnattended(headless, argc, argv, IsSet("TANDREL_DEBUG"))) {
    StartUpOptions options;
    options.programPath = programPath;
    options.argumentText = argumentText;
    options.showState = showState;
    options.showSplash = false;
    if (adjust) adjust(options);
    return RunUnattended(options);
  }
  if (!IsSet("TANDREL_DEBUG")) defaultMessageHandler = qInstallMessageHandler(QuietMessageHandler);
  int qtArgc = argc;
  Application application(qtArgc, argv);

  StartUpOptions options;
  options.programPath = programPath;
  options.argumentText = argumentText;
  options.showState = showState;
  options.showSplash = !headless;
  if (adjust) adjust(options);
  return StartUp(options);
}

}  // namespace tandrel
