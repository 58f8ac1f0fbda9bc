#include "app/startup.h"

#include <QApplication>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "app/application.h"
#include "app/tfmain.h"
#include "dialogs/about_window.h"
#include "dialogs/artwork.h"
#include "dialogs/error_box.h"
#include "dialogs/general_dialog.h"
#include "dialogs/jobs_dialog.h"
#include "dialogs/prompts.h"
#include "platform/platform.h"
#include "program/unattended.h"

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

// A configuration file that cannot be read, in the standard error box.
void ShowConfigurationError(const TfMainBase& main) {
  ui::ShowException(std::make_exception_ptr(std::runtime_error(main.ConfigurationError())));
}

}  // namespace

Windows::Windows() = default;
Windows::~Windows() {
  generalDialog.reset();
  aboutWindow.reset();
  jobsDialog.reset();
  fMain.reset();
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
    windows.jobsDialog = std::make_unique<JobsDialog>(windows.fMain->ConfigPath(), windows.fMain.get());
    windows.aboutWindow = std::make_unique<AboutWindow>(windows.fMain.get());
    windows.generalDialog = std::make_unique<GeneralDialog>(*windows.fMain, windows.fMain.get());
    TfMain& fMain = *windows.fMain;
    fMain.SetWindows(windows.jobsDialog.get(), windows.aboutWindow.get(), windows.generalDialog.get());
    if (options.mainCreated) options.mainCreated(fMain);
    if (options.windowsCreated) options.windowsCreated(windows);

    if (options.showSplash) windows.aboutWindow->exec();

    if (HasSyncSwitch(options.argumentText)) {
      if (SayIfNoConfiguration(fMain.ConfigPath())) return kExitClean;
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
    fMain.ShowSchedule();
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

int RunProgram(int argc, char** argv, const std::function<void(StartUpOptions&)>& adjust) {
  platform::InitLocale();
  const std::string programPath = platform::ExecutablePath();
  // Answered before any window or display is involved.
  if (const std::optional<int> code = RunWithoutWindows(argc, argv, programPath)) return *code;
  // Read before the application object takes its own options out of argv.
  const std::string argumentText = ArgumentText(argc, argv);
  const int showState = ShowStateOf(argc, argv);
  const bool headless = ChooseDisplayPlatform();
  const Road road = RoadOf(headless, argc, argv, IsSet("TANDREL_DEBUG"));
  if (road == Road::NoDisplay) {
    // Resident and invisible, it would only pile up (a mistyped crontab line).
    EchoToStandardError(kNoDisplayLine);
    return kExitStartUpError;
  }
  if (road == Road::Unattended) {
    StartUpOptions options;
    options.programPath = programPath;
    options.argumentText = argumentText;
    options.showState = showState;
    options.showSplash = false;
    if (adjust) adjust(options);
    return RunUnattended(options.programPath, options.mainCreated);
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
