#pragma once
// The main window: the run log in an owner-drawn list (failure lines in
// red), the menu bar, three tool buttons, the empty status bar that the
// window logic fills during and after a run, the tray icon with its menu and
// the 10-second synchronisation timer. What each event does is decided by
// the window logic it owns; this window lays out, draws and passes events on.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/main_window.h"
#include "win32ui/form.h"
#include "win32ui/tray_icon.h"
#include "win32ui/win32_prompter.h"

namespace tandrel::win32 {

class AboutWindow;
class GeneralDialog;
class JobsDialog;

// Ids of the main window's commands (menu items, tool buttons, tray menu).
enum MainId : int {
  kIdExit = 100,
  kIdSynchronise,
  kIdStop,
  kIdPreview,
  kIdViewLogFile,
  kIdJobs,
  kIdGeneral,
  kIdContents,
  kIdAbout,
  kIdRestore,
  kIdSyncButton,
  kIdGeneralButton,
  kIdJobsButton,
  kIdLog,
  kIdStatusBar,
  kIdLogLabel,
};

class MainWindow : public Form, private ui::MainView {
 public:
  explicit MainWindow(std::string programPath);
  ~MainWindow() override;

  ui::MainWindowLogic& Logic() { return *logic_; }
  // The windows that the commands show, made after this one.
  void SetWindows(JobsDialog* configJobs, AboutWindow* about, GeneralDialog* configGeneral);
  // Shows the window at the start of the message loop; `showState` as the
  // program was started (SW_SHOWMINNOACTIVE keeps it hidden).
  void ShowAtStart(int showState);

  // What the log list shows, for whoever checks it.
  const std::vector<std::wstring>& ShownLines() const { return lines_; }
  bool ShownAsFailure(int line) const { return failure_.at(static_cast<size_t>(line)) != 0; }

 protected:
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Command(int id, int code, HWND control) override;
  void Layout() override;

 private:
  void BuildMenu();
  void BuildControls();
  void TrayEvent(UINT mouseMessage);
  void DrawLine(const DRAWITEMSTRUCT& item);
  void PaintPanel();
  void AddLines(const std::vector<std::string>& lines);

  // ui::MainView
  void ClearLines() override;
  void AppendLines(const std::vector<std::string>& lines, bool belowShown) override;
  void ReplaceLines(const std::vector<std::string>& lines) override;
  bool ShowsLastLine() const override;
  void ScrollToLine(int line) override;
  void ScrollToEnd() override;
  void DrainEvery(std::chrono::milliseconds interval) override;
  void ShowStatus(const std::string& text) override;
  void ShowTrayTip(const std::string& text) override;
  void ShowTrayMessage(const std::string& text) override;
  void CloseWindow() override;
  void ShowJobs() override;
  void ShowGeneral() override;
  void ShowAbout() override;
  void Restore() override;
  void EndProgram() override;

  Win32Prompter prompter_;
  TrayIcon tray_;
  UINT taskbarCreated_ = 0;
  HWND log_ = nullptr;
  HWND status_ = nullptr;
  HWND tips_ = nullptr;
  std::vector<std::wstring> lines_;
  std::vector<char> failure_;
  int widest_ = 0;  // the widest line in pixels, for the horizontal scroll bar
  JobsDialog* jobsDialog_ = nullptr;
  AboutWindow* aboutWindow_ = nullptr;
  GeneralDialog* generalDialog_ = nullptr;
  // Last, so that it ends (waiting for a run under way) before the window.
  std::unique_ptr<ui::MainWindowLogic> logic_;
};

}  // namespace tandrel::win32
