#include "app/startup.h"

#include <QApplication>
#include <QEventLoop>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "app/application.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "cli/display_platform.h"
#include "cli/windowed_program.h"
#include "config/locations.h"
#include "dialogs/about_window.h"
#include "dialogs/artwork.h"
#include "dialogs/error_box.h"
#include "dialogs/general_dialog.h"
#include "dialogs/jobs_dialog.h"
#include "dialogs/prompts.h"
#include "platform/process.h"
#include "program/unattended.h"
#include "ui/start_up.h"

namespace tandrel {
namespace {

QtMessageHandler defaultMessageHandler = nullptr;

// Only real failures reach standard error (and cron's mail); Qt's notes about
// the desktop (no tray, no runtime folder) do not. TANDREL_DEBUG lets them
// through for whoever looks into a problem.
void QuietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  defaultMessageHandler(type, context, message);
}

}  // namespace

Windows::Windows() = default;
Windows::~Windows() {
  generalDialog.reset();
  aboutWindow.reset();
  jobsDialog.reset();
  mainWindow.reset();
}

namespace {

// The Qt windows as the start-up sequence sees them.
class QtStartUp : public ui::StartUpWindows {
 public:
  QtStartUp(Windows& windows, const StartUpOptions& options) : windows_(windows), options_(options) {}
  ui::MainWindowLogic& Logic() override { return windows_.mainWindow->Logic(); }
  void ShowSplash() override { windows_.aboutWindow->exec(); }
  void ShowMainWindow(int showState) override {
    if (showState == kShowMinNoActive) {
      // Stays hidden; Restore from the tray brings it back in the normal state.
      windows_.mainWindow->setWindowState(Qt::WindowMinimized);
    } else {
      windows_.mainWindow->show();
    }
  }
  void ShowError(const std::string& text) override {
    // Without boxes the error box writes to standard error, where a run's
    // failure echo has put the line already.
    if (!Logic().LastResult() || ui::Prompts::ShowsBoxes()) {
      ui::ShowException(std::make_exception_ptr(std::runtime_error(text)));
    }
  }
  bool EchoesFailures() const override { return true; }
  void WaitForRun() override {
    while (Logic().RunInProgress()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  void RunMessageLoop() override {
    if (options_.messageLoop) {
      options_.messageLoop();
    } else {
      QApplication::exec();
    }
  }

 private:
  Windows& windows_;
  const StartUpOptions& options_;
};

}  // namespace

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

    // One resident copy per configuration: a second start shows the first.
    const bool resident = !HasSyncSwitch(options.argumentText);
    SingleInstance instance(LocationsFor(options.programPath).configFile);
    if (resident && instance.AskResidentToShow()) return kExitClean;

    windows.mainWindow = std::make_unique<MainWindow>(options.programPath);
    MainWindow& mainWindow = *windows.mainWindow;
    windows.jobsDialog = std::make_unique<JobsDialog>(mainWindow.Logic().ConfigPath(), &mainWindow);
    windows.aboutWindow = std::make_unique<AboutWindow>(&mainWindow);
    windows.generalDialog = std::make_unique<GeneralDialog>(mainWindow.Logic().ConfigPath(),
                                                            mainWindow.Logic().Settings(), &mainWindow);
    mainWindow.SetWindows(windows.jobsDialog.get(), windows.aboutWindow.get(), windows.generalDialog.get());
    if (options.created) options.created();
    if (options.windowsCreated) options.windowsCreated(windows);
    if (resident &&
        !instance.BecomeResident([&mainWindow] { mainWindow.Logic().Perform(ui::MainCommand::Restore); })) {
      EchoToStandardError(kNoMeetingFolderLine);
    }
    QtStartUp startUp(windows, options);
    return ui::RunStartUp(startUp, options.argumentText, options.showState, options.showSplash);
  } catch (...) {
    ui::ShowException(std::current_exception());
    return kExitStartUpError;
  }
}

int RunProgram(int argc, char** argv, const std::function<void(StartUpOptions&)>& adjust) {
  platform::InitLocale();
  // Started by the program users start, it keeps its files beside that one.
  std::string programPath = platform::ExecutablePath();
  if (const char* startedAs = std::getenv(kStartedAsVariable); startedAs && *startedAs) {
    programPath = startedAs;
    ::unsetenv(kStartedAsVariable);
  }
  // Answered before any window or display is involved.
  if (const std::optional<int> code = RunWithoutWindows(argc, argv, programPath)) return *code;
  // Read before the application object takes its own options out of argv.
  const std::string argumentText = ArgumentText(argc, argv);
  const int showState = ShowStateOf(argc, argv);
  const bool headless = ChooseDisplayPlatform();
  const Road road = RoadOf(headless, argc, argv, DebugWanted());
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
    return RunUnattended(options.programPath, options.created);
  }
  if (!DebugWanted()) defaultMessageHandler = qInstallMessageHandler(QuietMessageHandler);
  int qtArgc = argc;
  Application application(qtArgc, argv);
  // The display named could not be opened: a run needs none, a resident
  // window nobody can see is refused as above.
  const bool fellBack = !headless && QGuiApplication::platformName() == "offscreen" &&
                        std::string(std::getenv("QT_QPA_PLATFORM")).find(';') != std::string::npos;
  if (fellBack && !HasSyncSwitch(argumentText)) {
    EchoToStandardError(kNoDisplayLine);
    return kExitStartUpError;
  }

  StartUpOptions options;
  options.programPath = programPath;
  options.argumentText = argumentText;
  options.showState = showState;
  options.showSplash = !headless && !fellBack;
  if (adjust) adjust(options);
  return StartUp(options);
}

}  // namespace tandrel
