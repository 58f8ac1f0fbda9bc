#include "win32ui/windows_startup.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <exception>
#include <optional>
#include <stdexcept>

#include "config/locations.h"
#include "program/command_line.h"
#include "program/exit_codes.h"
#include "program/unattended.h"
#include "support/error_text.h"
#include "ui/start_up.h"
#include "win32ui/about_window.h"
#include "win32ui/console.h"
#include "win32ui/general_dialog.h"
#include "win32ui/jobs_dialog.h"
#include "win32ui/main_window.h"
#include "win32ui/resident_window.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {
namespace {

// The Win32 windows as the start-up sequence sees them.
class Win32StartUp : public ui::StartUpWindows {
 public:
  explicit Win32StartUp(Windows& windows) : windows_(windows) {}
  ui::MainWindowLogic& Logic() override { return windows_.mainWindow->Logic(); }
  void ShowSplash() override { windows_.aboutWindow->ShowModal(nullptr); }
  void ShowMainWindow(int showState) override { windows_.mainWindow->ShowAtStart(showState); }
  void ShowError(const std::string& text) override {
    ShowErrorBox(ErrorText(std::make_exception_ptr(std::runtime_error(text))));
  }
  // Whoever started the run from a console (or a scheduled task that keeps
  // its output) learns of its failures there too.
  bool EchoesFailures() const override { return HasStandardError(); }
  void WaitForRun() override {
    MSG message;
    while (Logic().RunInProgress() && ::GetMessageW(&message, nullptr, 0, 0) > 0) DispatchOne(message);
  }
  void RunMessageLoop() override {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) DispatchOne(message);
  }

 private:
  Windows& windows_;
};

}  // namespace

Windows::Windows(const std::string& programPath) {
  mainWindow = std::make_unique<MainWindow>(programPath);
  jobsDialog = std::make_unique<JobsDialog>(mainWindow->Logic().ConfigPath());
  aboutWindow = std::make_unique<AboutWindow>();
  generalDialog =
      std::make_unique<GeneralDialog>(mainWindow->Logic().ConfigPath(), mainWindow->Logic().Settings());
  mainWindow->SetWindows(jobsDialog.get(), aboutWindow.get(), generalDialog.get());
}

Windows::~Windows() {
  generalDialog.reset();
  aboutWindow.reset();
  jobsDialog.reset();
  mainWindow.reset();
}

bool HasVisibleDesktop() {
  USEROBJECTFLAGS flags{};
  const HWINSTA station = ::GetProcessWindowStation();
  if (station && ::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
      !(flags.dwFlags & WSF_VISIBLE)) {
    return false;
  }
  // Under Wine without a display no window can be made at all.
  const HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
  if (!probe) return false;
  ::DestroyWindow(probe);
  return true;
}

void PrepareWindowSystem() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The folder browser in its newer form needs COM in a single-threaded apartment.
  ::OleInitialize(nullptr);
}

int RunWindows(const std::string& programPath, const std::string& argumentText, int showState) {
  PrepareWindowSystem();
  try {
    // One resident copy per configuration: a second start shows the first.
    // "/SYNC" runs beside it; the run lock keeps the two runs apart.
    std::optional<ResidentWindow> resident;
    if (!HasSyncSwitch(argumentText)) {
      resident.emplace(LocationsFor(programPath).configFile, programPath);
      if (resident->AskResidentToShow()) return kExitClean;
    }
    Windows windows(programPath);
    if (resident) {
      MainWindow& main = *windows.mainWindow;
      // Closed from outside (by the setup program), the program ends as at
      // log-off: without asking, a run under way stopped after its file.
      resident->BecomeResident([&main] { main.Logic().Perform(ui::MainCommand::Restore); },
                               [&main] {
                                 ::SendMessageW(main.Handle(), WM_QUERYENDSESSION, 0, 0);
                                 ::SendMessageW(main.Handle(), WM_ENDSESSION, TRUE, 0);
                               });
    }
    Win32StartUp startUp(windows);
    const int code = ui::RunStartUp(startUp, argumentText, showState, true);
    // Nobody reaches the windows once they begin to go.
    resident.reset();
    return code;
  } catch (...) {
    ShowErrorBox(ErrorText(std::current_exception()));
    return kExitStartUpError;
  }
}

}  // namespace tandrel::win32
