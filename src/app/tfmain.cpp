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
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "dialogs/about_window.h"
#include "dialogs/artwork.h"
#include "dialogs/form_support.h"
#include "dialogs/general_dialog.h"
#include "dialogs/jobs_dialog.h"
#include "ui/main_window_layout.h"
#include "ui/run_status.h"

namespace tandrel {

namespace {

using namespace ui::main_layout;

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

TfMain::TfMain(std::string programPath) : ui::MainWindowLogic(std::move(programPath), *this, prompter_) {
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
  connect(tSync_, &QTimer::timeout, this, [this] { Perform(ui::MainCommand::Tick); });

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

  tSync_->start();
}

TfMain::~TfMain() = default;

void TfMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");

  QMenu* file = bar->addMenu("File");
  file->setObjectName("File1");
  connect(MenuItem(file, "mExit", "Exit"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Exit); });

  QMenu* action = bar->addMenu("Action");
  action->setObjectName("Action1");
  connect(MenuItem(action, "mSynchronise", "Synchronise"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Synchronise); });
  connect(MenuItem(action, "mStop", "Stop"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Stop); });
  connect(MenuItem(action, "mPreview", "Preview"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Preview); });
  action->addSeparator()->setObjectName("N1");
  connect(MenuItem(action, "mActViewLogFile", "View logfile"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::ViewLogFile); });

  QMenu* config = bar->addMenu("Config");
  config->setObjectName("Config1");
  connect(MenuItem(config, "mJobs", "Jobs"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Jobs); });
  connect(MenuItem(config, "mGeneral", "General"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::General); });

  QMenu* help = bar->addMenu("Help");
  help->setObjectName("Help1");
  connect(MenuItem(help, "Contents1", "Contents"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Contents); });
  connect(MenuItem(help, "mAbout1", "About"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::About); });
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
    ui::MainCommand command;
  };
  // Left edges from inside the panel's frame: the first button starts there.
  const ToolButton buttons[] = {
      {"sbSync", 0, 4, "Synchronise", ui::Glyph::Sync, ui::MainCommand::Synchronise},
      {"sbConfigAlg", 40, 2, "Configuration general", ui::Glyph::ConfigGeneral, ui::MainCommand::General},
      {"sbConfigJobs", 64, 2, "Configuration jobs", ui::Glyph::ConfigJobs, ui::MainCommand::Jobs},
  };
  const int panelLeft = panel->contentsRect().left();
  for (const ToolButton& b : buttons) {
    auto* button = new QToolButton(panel);
    button->setObjectName(b.name);
    button->setGeometry(panelLeft + b.left, b.top, 23, 22);
    button->setToolTip(b.hint);
    button->setIcon(ui::GlyphIcon(b.glyph));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, command = b.command] { Perform(command); });
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
          [this] { Perform(ui::MainCommand::Restore); });
  connect(MenuItem(menu, "pmTIStop", "Stop"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Stop); });
  connect(MenuItem(menu, "pmTIExit", "Exit"), &QAction::triggered, this,
          [this] { Perform(ui::MainCommand::Exit); });

  auto* tray = tray_ = new QSystemTrayIcon(ui::ProductIcon(), this);
  tray->setObjectName("TrayIcon1");
  tray->setToolTip("Kolvane Tandrel");
  tray->setContextMenu(menu);
  connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
      Perform(ui::MainCommand::Restore);
    }
  });
  tray->show();
}

void TfMain::SetWindows(JobsDialog* configJobs, AboutWindow* about, GeneralDialog* configGeneral) {
  jobsDialog_ = configJobs;
  aboutWindow_ = about;
  generalDialog_ = configGeneral;
}

void TfMain::ShowJobs() {
  if (jobsDialog_) jobsDialog_->exec();
}

void TfMain::ShowGeneral() {
  if (generalDialog_) generalDialog_->exec();
}

void TfMain::ShowAbout() {
  if (!aboutWindow_) return;
  aboutWindow_->CentreOver(this);
  aboutWindow_->exec();
}

void TfMain::Restore() {
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

void TfMain::EndProgram() {
  hide();
  // exit() rather than quit(): quit() would ask every window to close again.
  QCoreApplication::exit(0);
}

void TfMain::closeEvent(QCloseEvent* event) {
  if (CloseRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
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

void TfMain::ClearLines() { mLog_->clear(); }

namespace {

// Writes `lines` at the cursor, each run of ordinary lines in one piece and
// the lines that report a failure in red, so that they stand out.
void InsertLines(QTextCursor& cursor, const std::vector<std::string>& lines) {
  QTextCharFormat plain = cursor.charFormat();
  QTextCharFormat failure = plain;
  failure.setForeground(QColor(0xc0, 0x00, 0x00));
  QStringList run;
  bool first = true;
  const auto flush = [&] {
    if (run.isEmpty()) return;
    cursor.insertText(run.join('\n'), plain);
    run.clear();
  };
  for (const std::string& line : lines) {
    const QString text = QString::fromLocal8Bit(line);
    if (ui::IsFailureLine(line)) {
      flush();
      if (!first) cursor.insertBlock();
      cursor.insertText(text, failure);
    } else {
      if (run.isEmpty() && !first) cursor.insertBlock();
      run << text;
    }
    first = false;
  }
  flush();
}

}  // namespace

void TfMain::AppendLines(const std::vector<std::string>& lines, bool belowShown) {
  QTextCursor cursor(mLog_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // After earlier content, even a single empty line, the new lines start a block.
  if (belowShown) cursor.insertBlock();
  InsertLines(cursor, lines);
  cursor.endEditBlock();
}

void TfMain::ReplaceLines(const std::vector<std::string>& lines) {
  mLog_->clear();
  QTextCursor cursor(mLog_->document());
  cursor.beginEditBlock();
  InsertLines(cursor, lines);
  cursor.endEditBlock();
}

bool TfMain::ShowsLastLine() const {
  const QScrollBar* bar = mLog_->verticalScrollBar();
  return bar->value() == bar->maximum();
}

// Without line wrap the scroll bar counts lines.
void TfMain::ScrollToLine(int line) {
  QScrollBar* bar = mLog_->verticalScrollBar();
  bar->setValue(std::min(bar->maximum(), line));
}

void TfMain::ScrollToEnd() {
  QScrollBar* bar = mLog_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void TfMain::ProcessMessages() { QCoreApplication::processEvents(); }

void TfMain::ShowStatus(const std::string& text) { statusBar()->showMessage(QString::fromLocal8Bit(text)); }

void TfMain::ShowTrayTip(const std::string& text) { tray_->setToolTip(QString::fromLocal8Bit(text)); }

void TfMain::ShowTrayMessage(const std::string& text) {
  tray_->showMessage(kCaption, QString::fromLocal8Bit(text), QSystemTrayIcon::Warning);
}

}  // namespace tandrel
