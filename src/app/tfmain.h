#pragma once
// The main window: the run log on screen, the commands (menu bar, tool
// buttons, tray icon and its menu), the close question and the 10-second
// synchronisation timer. The program-wide state and the run itself live in
// the Qt-free base.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>
#include <string>
#include <vector>

#include "engine/main_base.h"

class QPlainTextEdit;
class QTimer;

namespace tandrel {

class TfAbout;
class TfConfigGeneral;
class TfConfigJobs;

class TfMain : public QMainWindow, public TfMainBase {
  Q_OBJECT

 public:
  // The caption of the main window and the text of the close question.
  static const char* const kCaption;
  static const char* const kCloseCaption;
  static const char* const kCloseQuestion;

  explicit TfMain(std::string programPath);
  ~TfMain() override;

  // The windows that the commands show, created after this one.
  void SetWindows(TfConfigJobs* configJobs, TfAbout* about, TfConfigGeneral* configGeneral);

  // Commands; each menu item, tool button and tray item calls one of these.
  void mSynchroniseClick();
  void mExitClick();
  void mActViewLogFileClick();
  void mJobsClick();
  void mGeneralClick();
  void Contents1Click();
  void mAbout1Click();
  void pmTIRestoreClick();
  void tSyncTimer();

  // The session is ending: agree, and close from now on without asking.
  void QueryEndSession();

  // A close has been confirmed (or the session is ending). The program ends
  // as soon as no run is in progress: at once, or when the run returns.
  bool EndRequested() const { return endRequested_; }

  // The log area.
  void MemoClear() override;
  int MemoCount() const override;
  void MemoAdd(const std::string& line) override;
  void MemoReplaceAll(const std::vector<std::string>& lines) override;
  void MemoFlush() override;
  void ProcessPendingMessages() override;
  void MemoRunBegins() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildMenus();
  void BuildClientArea();
  void BuildTray();
  // Runs a command through the error box, then ends the program if a close
  // was confirmed meanwhile and no run remains.
  template <typename Handler>
  void Command(Handler handler);
  void EndWhenIdle();

  QPlainTextEdit* mLog_ = nullptr;
  QTimer* tSync_ = nullptr;
  TfConfigJobs* fConfigJobs_ = nullptr;
  TfAbout* fAbout_ = nullptr;
  TfConfigGeneral* fConfigGeneral_ = nullptr;
  static constexpr int kMemoFlushMs = 100;

  bool memoEmpty_ = true;           // the widget's document holds no line at all
  bool runComingIntoView_ = false;  // the next lines shown are a new run's first
  QStringList pendingLines_;
  QElapsedTimer memoFlushed_;
  bool endRequested_ = false;
};

}  // namespace tandrel
