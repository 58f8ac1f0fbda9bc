#include "app/tfmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "dialogs/about.h"
#include "dialogs/artwork.h"
#include "dialogs/configgeneral.h"
#include "dialogs/configjobs.h"
#include "dialogs/error_box.h"
#include "dialogs/form_support.h"
#include "dialogs/prompts.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "support/text_lines.h"

namespace tandrel {

const char* const TfMain::kCaption = "Kolvane Directory Synchronisation";
const char* const TfMain::kCloseCaption = "Stop Tandrel?";
const char* const TfMain::kCloseQuestion =
    "Press YES to stop directory synchronisation\r\nPress NO to continue without any changes.";

namespace {

constexpr int kClientWidth = 658;
constexpr int kClientHeight = 482;
constexpr int kPanelHeight = 26;
constexpr int kStatusHeight = 19;
constexpr int kLogTop = 48;
// mLog keeps this distance to the bottom of the area above the status bar.
constexpr int kLogBottomGap = kClientHeight - kStatusHeight - (kLogTop + 413);
constexpr int kSyncIntervalMs = 10000;

// The area between menu bar and status bar: the tool panel along the top,
// the "Log" label, and mLog anchored to all four sides.
class ClientArea : public QWidget {
 public:
  using QWidget::QWidget;
  QWidget* panel = nullptr;
  QWidget* log = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (panel) panel->setGeometry(0, 0, width(), kPanelHeight);
    if (log) log->setGeometry(0, kLogTop, width(), std::max(0, height() - kLogTop - kLogBottomGap));
  }
};

QAction* MenuItem(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

}  // namespace

TfMain::TfMain(std::string programPath) : TfMainBase(std::move(programPath)) {
  setObjectName("fMain");
  setWindowTitle(kCaption);
  setWindowIcon(ui::ProductIcon());
  setFont(ui::FormFont());

  BuildMenus();
  BuildClientArea();

  auto* statusBar = new QStatusBar(this);
  statusBar->setObjectName("StatusBar1");
  statusBar->setFixedHeight(kStatusHeight);
  setStatusBar(statusBar);

  tSync_ = new QTimer(this);
  tSync_->setObjectName("tSync");
  tSync_->setInterval(kSyncIntervalMs);
  tSync_->setTimerType(Qt::PreciseTimer);  // steady 10-second steps through the minute
  connect(tSync_, &QTimer::timeout, this, [this] { Command(&TfMain::tSyncTimer); });

  BuildTray();

  // Log-off or shut-down: agree without asking (nothing here cancels it).
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { QueryEndSession(); });

  // The client area is 658 by 482 below the menu bar, in the middle of the desktop.
  const QSize size(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen->availableGeometry()));
  } else {
    resize(size);
  }

  // FormCreate.
  WindowsEnding = false;
  RunInProgress = false;
  LoadGeneralSettings();
  ComputeNextSyncTime();
  tSync_->start();
}

TfMain::~TfMain() = default;

void TfMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");

  QMenu* file = bar->addMenu("File");
  file->setObjectName("File1");
  connect(MenuItem(file, "mExit", "Exit"), &QAction::triggered, this,
          [this] { Command(&TfMain::mExitClick); });

  QMenu* action = bar->addMenu("Action");
  action->setObjectName("Action1");
  connect(MenuItem(action, "mSynchronise", "Synchronise"), &QAction::triggered, this,
          [this] { Command(&TfMain::mSynchroniseClick); });
  action->addSeparator()->setObjectName("N1");
  connect(MenuItem(action, "mActViewLogFile", "View logfile"), &QAction::triggered, this,
          [this] { Command(&TfMain::mActViewLogFileClick); });

  QMenu* config = bar->addMenu("Config");
  config->setObjectName("Config1");
  connect(MenuItem(config, "mJobs", "Jobs"), &QAction::triggered, this,
          [this] { Command(&TfMain::mJobsClick); });
  connect(MenuItem(config, "mGeneral", "General"), &QAction::triggered, this,
          [this] { Command(&TfMain::mGeneralClick); });

  QMenu* help = bar->addMenu("Help");
  help->setObjectName("Help1");
  connect(MenuItem(help, "Contents1", "Contents"), &QAction::triggered, this,
          [this] { Command(&TfMain::Contents1Click); });
  connect(MenuItem(help, "mAbout1", "About"), &QAction::triggered, this,
          [this] { Command(&TfMain::mAbout1Click); });
}

void TfMain::BuildClientArea() {
  auto* area = new ClientArea(this);
  area->setObjectName("ClientArea");

  auto* panel = new QFrame(area);
  panel->setObjectName("Panel1");
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  area->panel = panel;

  struct ToolButton {
    const char* name;
    int left, top;
    const char* hint;
    ui::Glyph glyph;
    void (TfMain::*handler)();
  };
  const ToolButton buttons[] = {
      {"sbSync", 32, 4, "Synchronise", ui::Glyph::Sync, &TfMain::mSynchroniseClick},
      {"sbConfigAlg", 72, 2, "Configuration general", ui::Glyph::ConfigGeneral, &TfMain::mGeneralClick},
      {"sbConfigJobs", 96, 2, "Configuration jobs", ui::Glyph::ConfigJobs, &TfMain::mJobsClick},
  };
  for (const ToolButton& b : buttons) {
    auto* button = new QToolButton(panel);
    button->setObjectName(b.name);
    button->setGeometry(b.left, b.top, 23, 22);
    button->setToolTip(b.hint);
    button->setIcon(ui::GlyphIcon(b.glyph));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, handler = b.handler] { Command(handler); });
  }

  auto* label = new QLabel("Log", area);
  label->setObjectName("Label1");
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->adjustSize();
  label->move(7, 32);

  mLog_ = new QPlainTextEdit(area);
  mLog_->setObjectName("mLog");
  mLog_->setReadOnly(true);
  mLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  mLog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont bold = ui::FormFont();
  bold.setBold(true);
  mLog_->setFont(bold);
  area->log = mLog_;

  setCentralWidget(area);
}

void TfMain::BuildTray() {
  auto* menu = new QMenu(this);
  menu->setObjectName("pmTrayIcon");
  connect(MenuItem(menu, "pmTIRestore", "Restore"), &QAction::triggered, this,
          [this] { Command(&TfMain::pmTIRestoreClick); });
  connect(MenuItem(menu, "pmTIExit", "Exit"), &QAction::triggered, this,
          [this] { Command(&TfMain::mExitClick); });

  auto* tray = new QSystemTrayIcon(ui::ProductIcon(), this);
  tray->setObjectName("TrayIcon1");
  tray->setToolTip("Kolvane Tandrel");
  tray->setContextMenu(menu);
  connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
      Command(&TfMain::pmTIRestoreClick);
    }
  });
  tray->show();
}

void TfMain::SetWindows(TfConfigJobs* configJobs, TfAbout* about, TfConfigGeneral* configGeneral) {
  fConfigJobs_ = configJobs;
  fAbout_ = about;
  fConfigGeneral_ = configGeneral;
}

template <typename Handler>
void TfMain::Command(Handler handler) {
  ui::Guarded([this, handler] { (this->*handler)(); });
  EndWhenIdle();
}

void TfMain::EndWhenIdle() {
  if (!endRequested_ || RunInProgress) return;
  hide();
  // exit() rather than quit(): quit() would ask every window to close again.
  QCoreApplication::exit(0);
}

void TfMain::mSynchroniseClick() {
  if (RunInProgress) return;
  RunJobs();
}

void TfMain::mExitClick() { close(); }

void TfMain::mActViewLogFileClick() {
  const QString start = QString::fromLocal8Bit(ProgramFolder(ProgramPath()));
  const QString chosen = ui::Prompts::OpenFile(this, start, "Log files (*.log)");
  if (chosen.isEmpty()) return;
  const std::string path = chosen.toLocal8Bit().toStdString();
  std::string content;
  if (const int error = platform::ReadWholeFile(path, content)) {
    throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(error));
  }
  MemoReplaceAll(SplitLines(content));
}

void TfMain::mJobsClick() {
  if (fConfigJobs_) fConfigJobs_->exec();
}

void TfMain::mGeneralClick() {
  if (fConfigGeneral_) fConfigGeneral_->exec();
  ComputeNextSyncTime();
}

void TfMain::Contents1Click() { ui::Prompts::OpenWithDesktop(QString::fromLocal8Bit(ManualPath())); }

void TfMain::mAbout1Click() {
  if (!fAbout_) return;
  fAbout_->CentreOver(this);
  fAbout_->exec();
}

void TfMain::pmTIRestoreClick() {
  if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  // A dialog or box open meanwhile comes back on top of the window, also
  // when it was minimised on its own: it is what the user has to answer.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (modal->windowState() & Qt::WindowMinimized) {
      modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    }
    modal->show();
    modal->raise();
    modal->activateWindow();
  }
}

void TfMain::tSyncTimer() { SyncTimerTick(); }

void TfMain::QueryEndSession() { WindowsEnding = true; }

void TfMain::closeEvent(QCloseEvent* event) {
  if (!WindowsEnding && !endRequested_) {
    QMessageBox::StandardButton answer = QMessageBox::No;
    ui::Guarded([&] {
      answer = ui::Prompts::Ask(this, kCloseCaption, kCloseQuestion, QMessageBox::Critical,
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    });
    if (answer != QMessageBox::Yes) {
      event->ignore();
      return;
    }
  }
  event->accept();
  endRequested_ = true;
  // During a run the question was asked from inside the run's message
  // processing: the run goes on, and whoever started it ends the program.
  EndWhenIdle();
}

void TfMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Minimised, the window leaves the screen and the taskbar; the tray icon
  // is the way back. Hidden after the state change has been handled.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible()) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (isMinimized()) hide();
        },
        Qt::QueuedConnection);
  }
}

// A run adds a line and processes messages for every file. Inserting and
// painting each line on its own would cost far more than the run itself, so
// lines wait in `pendingLines_` and reach the log area together, at most
// kMemoFlushMs apart while a run goes on and at its end. Counting, clearing
// and replacing see the waiting lines too.

void TfMain::MemoClear() {
  pendingLines_.clear();
  mLog_->clear();
  memoEmpty_ = true;
}

int TfMain::MemoCount() const {
  // An empty document still has one block; an empty first line is a line.
  return (memoEmpty_ ? 0 : mLog_->blockCount()) + static_cast<int>(pendingLines_.size());
}

void TfMain::MemoAdd(const std::string& line) { pendingLines_ << QString::fromLocal8Bit(line); }

void TfMain::MemoRunBegins() { runComingIntoView_ = true; }

void TfMain::MemoFlush() {
  if (pendingLines_.isEmpty()) return;
  // The end stays in view while lines arrive, unless the user has scrolled
  // up to read; a new run's first lines come into view wherever the user was.
  QScrollBar* bar = mLog_->verticalScrollBar();
  const bool followEnd = bar->value() == bar->maximum();
  const int firstNewLine = memoEmpty_ ? 0 : mLog_->blockCount();
  QTextCursor cursor(mLog_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // After earlier content, even a single empty line, the new lines start a block.
  if (!memoEmpty_) cursor.insertBlock();
  cursor.insertText(pendingLines_.join('\n'));
  cursor.endEditBlock();
  pendingLines_.clear();
  memoEmpty_ = false;
  if (runComingIntoView_) {
    runComingIntoView_ = false;
    // Without line wrap the bar counts lines: the end, or as close to it as
    // keeps the run's first line at the top.
    bar->setValue(std::min(bar->maximum(), firstNewLine));
  } else if (followEnd) {
    bar->setValue(bar->maximum());
  }
}

void TfMain::MemoReplaceAll(const std::vector<std::string>& lines) {
  pendingLines_.clear();
  QStringList all;
  all.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) all << QString::fromLocal8Bit(line);
  mLog_->setPlainText(all.join('\n'));
  memoEmpty_ = lines.empty();
}

void TfMain::ProcessPendingMessages() {
  if (!memoFlushed_.isValid() || memoFlushed_.elapsed() >= kMemoFlushMs) {
    MemoFlush();
    memoFlushed_.restart();
  }
  QCoreApplication::processEvents();
}

}  // namespace tandrel
