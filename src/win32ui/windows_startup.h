#pragma once
// The start-up of the program's windows: the main window, the jobs dialog,
// the About window and the general settings dialog, made in this order; the
// splash; then one run for "/SYNC" or the message loop.

#include <memory>
#include <string>

namespace tandrel::win32 {

class AboutWindow;
class GeneralDialog;
class JobsDialog;
class MainWindow;

// The program's windows, kept until it ends.
struct Windows {
  explicit Windows(const std::string& programPath);
  ~Windows();  // the dialogs go before the main window
  std::unique_ptr<MainWindow> mainWindow;
  std::unique_ptr<JobsDialog> jobsDialog;
  std::unique_ptr<AboutWindow> aboutWindow;
  std::unique_ptr<GeneralDialog> generalDialog;
};

// Whether this process can show windows to someone: false in a session
// without a visible desktop (a task that runs whether or not the user is
// logged on), where "/SYNC" runs without windows.
bool HasVisibleDesktop();

// The window system's set-up that every window needs: common controls and
// COM for the shell's folder browser. Once per process.
void PrepareWindowSystem();

// The whole road with windows; returns the exit code. `showState` is the
// show command the program was started with.
int RunWindows(const std::string& programPath, const std::string& argumentText, int showState);

}  // namespace tandrel::win32
