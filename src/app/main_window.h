#pragma once
// The main window: the run log on screen, the commands (menu bar, tool
// buttons, tray icon and its menu), the close question and the 10-second
// synchronisation timer. What they do is decided by the window logic it
// owns; this window lays out, draws and passes its events on.

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/qt_prompter.h"
#include "ui/main_window.h"

class QPlainTextEdit;
class QSystemTrayIcon;
class QTimer;

namespace tandrel {

class AboutWindow;
class GeneralDialog;
class JobsDialog;
class StatusLabel;

class MainWindow : public QMainWindow, public ui::MainView {
  Q_OBJECT

 public:
  explicit MainWindow(std::string programPath);
  ~MainWindow() override;

  ui::MainWindowLogic& Logic() { return *logic_; }
  // The windows that the commands show, created after this one.
  void SetWindows(JobsDialog* configJobs, AboutWindow* about, GeneralDialog* configGeneral);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildMenus();
  void BuildClientArea();
  void BuildTray();

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
  void CloseWindow() override { close(); }
  void ShowJobs() override;
  void ShowGeneral() override;
  void ShowAbout() override;
  void Restore() override;
  void EndProgram() override;

  ui::QtPrompter prompter_{this};
  QPlainTextEdit* log_ = nullptr;
  StatusLabel* status_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QTimer* syncTimer_ = nullptr;
  QTimer* drainTimer_ = nullptr;
  JobsDialog* jobsDialog_ = nullptr;
  AboutWindow* aboutWindow_ = nullptr;
  GeneralDialog* generalDialog_ = nullptr;
  // Last, so that it is made once the window can show what it is told, and
  // ends (waiting for a run under way) before the window goes.
  std::unique_ptr<ui::MainWindowLogic> logic_;
};

}  // namespace tandrel
