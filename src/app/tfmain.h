#pragma once
// The main window: the run log on screen, the commands (menu bar, tool
// buttons, tray icon and its menu), the close question and the 10-second
// synchronisation timer. What they do is decided by ui::MainWindowLogic,
// and the run itself by the Qt-free base below it; this window lays out,
// draws and passes its events on.

#include <QMainWindow>
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

class TfMain : public QMainWindow, public ui::MainWindowLogic, private ui::MainView {
  Q_OBJECT

 public:
  explicit TfMain(std::string programPath);
  ~TfMain() override;

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
  void ProcessMessages() override;
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
  QPlainTextEdit* mLog_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QTimer* tSync_ = nullptr;
  JobsDialog* jobsDialog_ = nullptr;
  AboutWindow* aboutWindow_ = nullptr;
  GeneralDialog* generalDialog_ = nullptr;
};

}  // namespace tandrel
