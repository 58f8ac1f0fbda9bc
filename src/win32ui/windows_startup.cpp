#include "win32ui/windows_startup.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <exception>
#include <stdexcept>

#include "program/command_line.h"
#include "program/exit_codes.h"
#include "program/unattended.h"
#include "support/error_text.h"
#include "win32ui/about_window.h"
#include "win32ui/console.h"
#include "win32ui/general_dialog.h"
#include "win32ui/jobs_dialog.h"
#include "win32ui/main_window.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {
namespace {

// A configuration file that cannot be read, in the standard error box.
void ShowConfigurationError(const TfMainBase& main) {
  ShowErrorBox(ErrorText(std::make_exception_ptr(std::runtime_error(main.ConfigurationError()))));
}

}  // namespace

Windows::Windows(const std::string& programPath) {
  fMain = std::make_unique<TfMain>(programPath);
  jobsDialog = std::make_unique<JobsDialog>(fMain->ConfigPath());
  aboutWindow = std::make_unique<AboutWindow>();
  generalDialog = std::make_unique<GeneralDialog>(*fMain);
  fMain->SetWindows(jobsDialog.get(), aboutWindow.get(), generalDialog.get());
}

Windows::~Windows() {
  generalDialog.reset();
  aboutWindow.reset();
  jobsDialog.reset();
  fMain.reset();
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
    Windows windows(programPath);
    TfMain& fMain = *windows.fMain;
    windows.aboutWindow->ShowModal(nullptr);

    if (HasSyncSwitch(argumentText)) {
      if (SayIfNoConfiguration(fMain.ConfigPath())) return kExitClean;
      // Whoever started the run from a console (or a scheduled task that
      // keeps its output) learns of its failures there too.
      if (HasStandardError()) fMain.SetFailureEcho(EchoToStandardError);
      // A close confirmed during this run takes effect when it returns, here.
      const RunResult result = fMain.RunJobs();
      if (result == RunResult::Unreadable) ShowConfigurationError(fMain);
      return ExitCodeOf(result);
    }

    // A close confirmed from the tray icon while the splash was up.
    if (fMain.EndRequested()) return kExitClean;
    fMain.ShowAtStart(showState);
    fMain.ShowSchedule();
    // The first thing to see when the jobs cannot be read; every run says it
    // again in the log list.
    if (!fMain.CheckConfiguration()) ShowConfigurationError(fMain);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) DispatchOne(message);
    return kExitClean;
  } catch (...) {
    ShowErrorBox(ErrorText(std::current_exception()));
    return kExitStartUpError;
  }
}

}  // namespace tandrel::win32
