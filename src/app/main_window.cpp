#include "app/main_window.h"

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

#include "app/status_label.h"
#include "dialogs/about_window.h"
#include "dialogs/artwork.h"
#include "dialogs/form_support.h"
#include "dialogs/general_dialog.h"
#include "dialogs/jobs_dialog.h"
#include "ui/main_menu.h"
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

// The picture on the tool button of `command`.
ui::Glyph GlyphOf(ui::MainCommand command) {
  return command == ui::MainCommand::Synchronise ? ui::Glyph::Sync
         : command == ui::MainCommand::General   ? ui::Glyph::ConfigGeneral
                                                 : ui::Glyph::ConfigJobs;
}

QAction* MenuItem(QMenu* menu, const std::string& name, const char* caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromStdString(name));
  return action;
}

}  // namespace

MainWindow::MainWindow(std::string programPath)
    : logic_(std::make_unique<ui::MainWindowLogic>(std::move(programPath), static_cast<ui::MainView&>(*this),
                                                   prompter_)) {
  setObjectName("MainWindow");
  setWindowTitle(ui::MainWindowLogic::kCaption);
  setWindowIcon(ui::ProductIcon());
  setFont(ui::FormFont());

  BuildMenus();
  BuildClientArea();

  auto* statusBar = new QStatusBar(this);
  statusBar->setObjectName("StatusBar");
  statusBar->setFixedHeight(kStatusHeight);
  status_ = new StatusLabel(statusBar);
  status_->setObjectName("StatusText");
  statusBar->addWidget(status_, 1);
  setStatusBar(statusBar);

  syncTimer_ = new QTimer(this);
  syncTimer_->setObjectName("SyncTimer");
  syncTimer_->setInterval(kSyncIntervalMs);
  syncTimer_->setTimerType(Qt::PreciseTimer);  // steady 10-second steps through the minute
  connect(syncTimer_, &QTimer::timeout, this, [this] { logic_->Perform(ui::MainCommand::Tick); });
  drainTimer_ = new QTimer(this);
  drainTimer_->setObjectName("DrainTimer");
  connect(drainTimer_, &QTimer::timeout, this, [this] { logic_->Drain(); });

  BuildTray();

  // Log-off or shut-down: agree without asking (nothing here cancels it).
  connect(qApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager&) { logic_->QueryEndSession(); });

  // The client area is 658 by 482 below the menu bar, in the middle of the desktop.
  const QSize size(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen->availableGeometry()));
  } else {
    resize(size);
  }

  syncTimer_->start();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MenuBar");
  QMenu* menu = nullptr;
  for (const ui::MenuItem& item : ui::kMainMenu) {
    if (!menu || menu->title() != item.menu) menu = bar->addMenu(item.menu);
    if (item.separatorBefore) menu->addSeparator();
    connect(MenuItem(menu, ui::CommandName(item.command), item.caption), &QAction::triggered, this,
            [this, command = item.command] { logic_->Perform(command); });
  }
}

void MainWindow::BuildClientArea() {
  auto* area = new ClientArea(this);
  area->setObjectName("ClientArea");

  auto* panel = new QFrame(area);
  panel->setObjectName("ToolPanel");
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  area->panel = panel;

  const int panelLeft = panel->contentsRect().left();
  for (const ui::ToolButton& b : ui::kToolButtons) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QString(ui::CommandName(b.command)) + "Button");
    button->setGeometry(panelLeft + b.left, b.top, ui::kToolButtonWidth, ui::kToolButtonHeight);
    button->setToolTip(b.hint);
    button->setIcon(ui::GlyphIcon(GlyphOf(b.command)));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, command = b.command] { logic_->Perform(command); });
  }
  auto* label = new QLabel("Log", area);
  label->setObjectName("LogLabel");
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->adjustSize();
  label->move(7, 32);

  log_ = new QPlainTextEdit(area);
  log_->setObjectName("Log");
  log_->setReadOnly(true);
  // Read-only, but the keys move through it: Ctrl+Home, Ctrl+End, the pages.
  log_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont bold = ui::FormFont();
  bold.setBold(true);
  log_->setFont(bold);
  area->log = log_;

  setCentralWidget(area);
}

void MainWindow::BuildTray() {
  auto* menu = new QMenu(this);
  menu->setObjectName("TrayMenu");
  for (const ui::MenuItem& item : ui::kTrayMenu) {
    connect(MenuItem(menu, "Tray" + std::string(ui::CommandName(item.command)), item.caption),
            &QAction::triggered, this, [this, command = item.command] { logic_->Perform(command); });
  }
  auto* tray = tray_ = new QSystemTrayIcon(ui::ProductIcon(), this);
  tray->setObjectName("TrayIcon");
  tray->setToolTip("Kolvane Tandrel");
  tray->setContextMenu(menu);
  connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
      logic_->Perform(ui::MainCommand::Restore);
    }
  });
  tray->show();
}

void MainWindow::SetWindows(JobsDialog* configJobs, AboutWindow* about, GeneralDialog* configGeneral) {
  jobsDialog_ = configJobs;
  aboutWindow_ = about;
  generalDialog_ = configGeneral;
}

void MainWindow::ShowJobs() {
  if (jobsDialog_) jobsDialog_->exec();
}

void MainWindow::ShowGeneral() {
  if (generalDialog_) generalDialog_->exec();
}

void MainWindow::ShowAbout() {
  if (!aboutWindow_) return;
  aboutWindow_->CentreOver(this);
  aboutWindow_->exec();
}

void MainWindow::Restore() {
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

void MainWindow::EndProgram() {
  hide();
  // exit() rather than quit(): quit() would ask every window to close again.
  QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (logic_->CloseRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Minimised, the window leaves the screen and the taskbar; the tray icon
  // is the way back. Hidden after the state change has been handled. Where
  // there is no tray, it stays on the taskbar as any window does.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible() &&
      QSystemTrayIcon::isSystemTrayAvailable()) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (isMinimized()) hide();
        },
        Qt::QueuedConnection);
  }
}

void MainWindow::ClearLines() { log_->clear(); }

namespace {

// Writes `lines` at the cursor, each run of ordinary lines in one piece and
// the lines that report a failure in red, so that they stand out.
void InsertLines(QTextCursor& cursor, const std::vector<std::string>& lines) {
  // Not the cursor's format: after a failure line that is red.
  const QTextCharFormat plain;
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

void MainWindow::AppendLines(const std::vector<std::string>& lines, bool belowShown) {
  QTextCursor cursor(log_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // After earlier content, even a single empty line, the new lines start a block.
  if (belowShown) cursor.insertBlock();
  InsertLines(cursor, lines);
  cursor.endEditBlock();
}

void MainWindow::ReplaceLines(const std::vector<std::string>& lines) {
  log_->clear();
  QTextCursor cursor(log_->document());
  cursor.beginEditBlock();
  InsertLines(cursor, lines);
  cursor.endEditBlock();
}

bool MainWindow::ShowsLastLine() const {
  const QScrollBar* bar = log_->verticalScrollBar();
  return bar->value() == bar->maximum();
}

// Without line wrap the scroll bar counts lines.
void MainWindow::ScrollToLine(int line) {
  QScrollBar* bar = log_->verticalScrollBar();
  bar->setValue(std::min(bar->maximum(), line));
}

void MainWindow::ScrollToEnd() {
  QScrollBar* bar = log_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void MainWindow::DrainEvery(std::chrono::milliseconds interval) {
  if (interval.count() > 0) {
    drainTimer_->start(interval);
  } else {
    drainTimer_->stop();
  }
}

void MainWindow::ShowStatus(const std::string& text) {
  status_->SetFullText(QString::fromLocal8Bit(text),
                       logic_->RunInProgress() ? Qt::ElideMiddle : Qt::ElideRight);
}

void MainWindow::ShowTrayTip(const std::string& text) { tray_->setToolTip(QString::fromLocal8Bit(text)); }

void MainWindow::ShowTrayMessage(const std::string& text) {
  tray_->showMessage(ui::MainWindowLogic::kCaption, QString::fromLocal8Bit(text), QSystemTrayIcon::Warning);
}

}  // namespace tandrel
