// The main window offscreen: that its menus, tool buttons, tray icon and
// timer reach the window logic, that the log area shows what the logic
// says, and what only the window does (minimising to the tray, modal
// windows that leave the tray icon answering). What the commands decide is
// tested in tests/ui.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <memory>

#include "app/main_window.h"
#include "app/status_label.h"
#include "app_test_main.h"
#include "dialogs/about_window.h"
#include "dialogs/general_dialog.h"
#include "dialogs/jobs_dialog.h"
#include "dialogs/prompts.h"
#include "qtsupport/qt_test_support.h"

using tandrel::MainWindow;
using tandrel::test::ElapseNow;
using tandrel::test::kFrameSlack;
using tandrel::test::LocalTime;
using tandrel::test::TempConfig;
using tandrel::test::WriteBytes;
using tandrel::ui::Prompts;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> folder_;
  std::unique_ptr<MainWindow> main_;
  tandrel::ui::MainWindowLogic& Logic() const { return main_->Logic(); }

  QString Path(const QString& relative) const { return folder_->Path(relative); }
  QAction* Action(const char* name) const { return main_->findChild<QAction*>(name); }
  QToolButton* Button(const char* name) const { return main_->findChild<QToolButton*>(name); }
  QPlainTextEdit* Log() const { return main_->findChild<QPlainTextEdit*>("Log"); }
  QSystemTrayIcon* Tray() const { return main_->findChild<QSystemTrayIcon*>("TrayIcon"); }
  QAction* TrayAction(const char* name) const { return Tray()->contextMenu()->findChild<QAction*>(name); }

  QStringList Shown() const {
    Logic().Drain();
    return Logic().LineCount() == 0 ? QStringList() : Log()->toPlainText().split('\n');
  }
  int StartLines() const {
    return static_cast<int>(Shown().filter(QRegularExpression("^Synchronisation started at: ")).size());
  }
  // Triggers a menu or tray action, or clicks a tool button.
  void Use(const QString& control) {
    if (QToolButton* button = Button(control.toLatin1().constData())) {
      QTest::mouseClick(button, Qt::LeftButton);
    } else if (QAction* action = main_->findChild<QAction*>(control)) {
      action->trigger();
    } else {
      TrayAction(control.toLatin1().constData())->trigger();
    }
  }

  void ShowMain() {
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  }

 private slots:
  void init() {
    Prompts::UseScript();
    folder_ = std::make_unique<TempConfig>();
    QVERIFY(folder_->isValid());
    main_ = std::make_unique<MainWindow>(Path("tandrel").toStdString());
  }

  void cleanup() {
    main_.reset();
    folder_.reset();
  }

  void runsFilesAndTheManualReachTheLogic() {
    QDir(folder_->dir()).mkpath("S");
    QDir(folder_->dir()).mkpath("D");
    WriteBytes(Path("S/a.txt"), "a");
    folder_->Write("[Active Jobs]\n0=J\n[J]\nSource=" + Path("S").toUtf8() +
                   "\nDestination=" + Path("D").toUtf8() + "\n");
    Logic().Settings().appendLog = true;
    Use("Synchronise");
    Logic().FinishRun();
    Use("SynchroniseButton");
    Logic().FinishRun();
    // The timer's tick when a run is due: another minute arms it.
    std::time_t now = LocalTime(10, 4, 50);
    Logic().SetClock([&now] { return now; });
    Logic().Settings().time = "10:05";
    Logic().Replan();
    ElapseNow(main_->findChild<QTimer*>("SyncTimer"));
    QTRY_VERIFY(Logic().Schedule().Armed());
    now = LocalTime(10, 5, 0);
    ElapseNow(main_->findChild<QTimer*>("SyncTimer"));
    QTRY_COMPARE(StartLines(), 3);
    Logic().FinishRun();
    QVERIFY(!Logic().Schedule().Armed());
    QVERIFY(QFile::exists(Path("D/a.txt")));

    WriteBytes(Path("old.log"), "one\r\ntwo\r\n");
    Prompts::QueueFile(Path("old.log"));
    Use("ViewLogFile");
    QCOMPARE(Shown(), QStringList({"one", "two"}));
    QCOMPARE(Prompts::FileRequests().size(), size_t(1));
    QCOMPARE(Prompts::FileRequests()[0].startFolder, Path("Log/"));
    QCOMPARE(Prompts::FileRequests()[0].filter, QString("Log files (*.log)"));

    WriteBytes(Path("tandrel.html"), "<html>");
    Use("Contents");
    QCOMPARE(Prompts::Opened(), std::vector<QString>{Path("tandrel.html")});
  }

  void theToolButtonsStartAtThePanelsEdge() {
    ShowMain();
    const QWidget* panel = main_->findChild<QWidget*>("ToolPanel");
    QCOMPARE(Button("SynchroniseButton")->x(), panel->contentsRect().left());
  }

  void dialogsOpenModally_data() {
    QTest::addColumn<QString>("control");
    for (const char* control : {"Jobs", "JobsButton", "General", "GeneralButton", "About"})
      QTest::newRow(control) << control;
  }

  void dialogsOpenModally() {
    QFETCH(QString, control);
    tandrel::JobsDialog jobs(Logic().ConfigPath(), main_.get());
    tandrel::AboutWindow about(main_.get());
    tandrel::GeneralDialog general(Logic().ConfigPath(), Logic().Settings(), main_.get());
    main_->SetWindows(&jobs, &about, &general);
    main_->move(40, 30);
    ShowMain();
    QWidget* shown = nullptr;
    QPoint centre;
    QTimer::singleShot(0, main_.get(), [&] {
      shown = QApplication::activeModalWidget();
      if (!shown) return;
      centre = shown->geometry().center();
      shown->close();
    });
    Use(control);
    QWidget* expected = control.contains("Jobs") ? static_cast<QWidget*>(&jobs)
                        : control == "About"     ? static_cast<QWidget*>(&about)
                                                 : static_cast<QWidget*>(&general);
    QCOMPARE(shown, expected);
    QVERIFY((centre - main_->frameGeometry().center()).manhattanLength() <= kFrameSlack);
  }

  void closeQuestion_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("answer");
    for (const char* source : {"Exit", "TrayExit", "close", "windowClose"}) {
      QTest::addRow("%s yes", source) << source << int(QMessageBox::Yes);
      QTest::addRow("%s no", source) << source << int(QMessageBox::No);
    }
  }

  void closeQuestion() {
    QFETCH(QString, source);
    QFETCH(int, answer);
    ShowMain();
    Prompts::QueueAnswer(QMessageBox::StandardButton(answer));
    if (source == "close") {
      main_->close();
    } else if (source == "windowClose") {
      main_->windowHandle()->close();  // as the title bar's button and Alt+F4 ask
    } else {
      Use(source);
    }
    QCOMPARE(Prompts::Asked().size(), size_t(1));
    const tandrel::ui::AskedQuestion& asked = Prompts::Asked().front();
    QCOMPARE(asked.caption, QString("Stop Tandrel?"));
    QCOMPARE(
        asked.text,
        QString("Press YES to stop directory synchronisation\r\nPress NO to continue without any changes."));
    QCOMPARE(asked.icon, QMessageBox::Critical);
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(asked.defaultButton, QMessageBox::No);
    const bool yes = answer == QMessageBox::Yes;
    QCOMPARE(Logic().EndRequested(), yes);
    QCOMPARE(main_->isVisible(), !yes);
  }

  void aConfirmedCloseEndsTheLoop() {
    ShowMain();
    bool timedOut = false;
    QTimer::singleShot(0, main_.get(), [&] {
      Prompts::QueueAnswer(QMessageBox::Yes);
      main_->close();
    });
    QTimer::singleShot(10000, main_.get(), [&] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!timedOut);
  }

  void minimiseHidesAndRestoreShows_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("click") << "click";
    QTest::newRow("double click") << "double";
    QTest::newRow("tray menu") << "menu";
  }

  void minimiseHidesAndRestoreShows() {
    QFETCH(QString, how);
    ShowMain();
    main_->setWindowState(Qt::WindowMinimized);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
      QTRY_VERIFY(!main_->isVisible());
    } else {
      // Without a tray nothing could bring a hidden window back.
      QCoreApplication::processEvents();
      QVERIFY(main_->isVisible() && main_->isMinimized());
    }
    QVERIFY(Tray()->isVisible());
    // The context click only opens the menu.
    emit Tray()->activated(QSystemTrayIcon::Context);
    QVERIFY(!main_->isVisible() || main_->isMinimized());

    if (how == "click") {
      emit Tray()->activated(QSystemTrayIcon::Trigger);
    } else if (how == "double") {
      emit Tray()->activated(QSystemTrayIcon::DoubleClick);
    } else {
      TrayAction("TrayRestore")->trigger();
    }
    QVERIFY(main_->isVisible());
    QVERIFY(!(main_->windowState() & Qt::WindowMinimized));
    // Still visible once the hide that the minimising left pending has been handled.
    QCoreApplication::processEvents();
    QVERIFY(main_->isVisible());
  }

  void restoreAfterAHiddenStartShowsTheNormalWindow() {
    main_->setWindowState(Qt::WindowMinimized);  // as the start with --minimized leaves it
    QVERIFY(!main_->isVisible());
    TrayAction("TrayRestore")->trigger();
    QVERIFY(main_->isVisible());
    QCOMPARE(main_->windowState(), Qt::WindowNoState);
  }

  void trayAnswersWhileAModalWindowIsOpen_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("jobs") << "Jobs";
    QTest::newRow("general") << "General";
    QTest::newRow("about") << "About";
  }

  void trayAnswersWhileAModalWindowIsOpen() {
    QFETCH(QString, command);
    tandrel::JobsDialog jobs(Logic().ConfigPath(), main_.get());
    tandrel::AboutWindow about(main_.get());
    tandrel::GeneralDialog general(Logic().ConfigPath(), Logic().Settings(), main_.get());
    main_->SetWindows(&jobs, &about, &general);
    ShowMain();
    // The tray icon's window stands apart from the main window's family;
    // where there is no tray, a window of the same standing takes its place.
    QPushButton trayWindow("tray");
    int trayClicks = 0;
    connect(&trayWindow, &QPushButton::clicked, [&] { ++trayClicks; });
    trayWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trayWindow));

    QWidget* modal = nullptr;
    bool mainBlocked = false;
    bool bothGone = false;
    bool restored = false;
    QTimer::singleShot(0, main_.get(), [&] {
      modal = QApplication::activeModalWidget();
      if (!modal) return;
      // Clicks through the window system: held back where a modal window blocks.
      const auto click = [](QWidget* widget, QPoint at) {
        QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                          widget->mapTo(widget->window(), at));
      };
      click(Button("SynchroniseButton"), Button("SynchroniseButton")->rect().center());
      mainBlocked = !Logic().RunInProgress() && StartLines() == 0;
      click(&trayWindow, trayWindow.rect().center());
      // The window manager minimises the dialog and its main window together.
      modal->setWindowState(Qt::WindowMinimized);
      main_->setWindowState(Qt::WindowMinimized);
      QTRY_VERIFY(!main_->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable());
      bothGone = modal->isMinimized() && main_->isMinimized();
      // Restore from the tray icon's menu, clicked.
      QMenu* menu = Tray()->contextMenu();
      menu->popup(QPoint(20, 20));
      QVERIFY(QTest::qWaitForWindowExposed(menu));
      QAction* restore = TrayAction("TrayRestore");
      click(menu, menu->actionGeometry(restore).center());
      restored = main_->isVisible() && !main_->isMinimized() && modal->isVisible() && !modal->isMinimized() &&
                 QApplication::activeModalWidget() == modal;
      modal->close();
    });
    Action(command.toLatin1().constData())->trigger();
    QVERIFY(modal);
    QVERIFY(mainBlocked);
    QCOMPARE(trayClicks, 1);
    QVERIFY(bothGone);
    QVERIFY(restored);
  }

  void theLogAreaShowsWhatTheLogicSays() {
    ShowMain();
    QScrollBar* bar = Log()->verticalScrollBar();
    const auto firstShownLine = [&] { return Log()->document()->findBlockByNumber(bar->value()).text(); };
    tandrel::ui::LogArea area(*main_);
    const auto shown = [&] {
      area.Flush();
      return area.Count() == 0 ? QStringList() : Log()->toPlainText().split('\n');
    };
    // An empty first line is a line of its own.
    area.Add("");
    area.Add("x");
    QCOMPARE(shown(), QStringList({"", "x"}));
    area.ReplaceAll({""});
    area.Add("y");
    QCOMPARE(shown(), QStringList({"", "y"}));

    // Replaced lines show from the top; the end stays in view unless the
    // user reads above it; a new run comes into view from its first line.
    std::vector<std::string> viewed;
    for (int i = 0; i < 500; ++i) viewed.push_back("viewed " + std::to_string(i));
    area.ReplaceAll(viewed);
    QCOMPARE(bar->value(), 0);
    bar->setValue(100);
    area.Add("later");
    area.Flush();
    QCOMPARE(firstShownLine(), QString("viewed 100"));
    bar->setValue(bar->maximum());
    for (int i = 0; i < 50; ++i) area.Add("more");
    area.Flush();
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(10);
    area.RunBegins();
    area.Add("first of the run");
    for (int i = 0; i < 200; ++i) area.Add("run line");
    area.Flush();
    QVERIFY(bar->value() < bar->maximum());
    QCOMPARE(firstShownLine(), QString("first of the run"));
    // The keys move through the read-only area.
    QTest::keyClick(Log(), Qt::Key_End, Qt::ControlModifier);
    QVERIFY(Log()->textCursor().atEnd());
    QVERIFY(bar->value() >= bar->maximum() - 1);
    QTest::keyClick(Log(), Qt::Key_Home, Qt::ControlModifier);
    QVERIFY(Log()->textCursor().atStart());
    QCOMPARE(bar->value(), 0);
  }

  void statusBarAndLogAreaShowHowTheRunWent() {
    ShowMain();
    folder_->Write("[Active Jobs]\n0=J\n[J]\nSource=" + Path("S").toUtf8() +
                   "\nDestination=" + Path("nowhere").toUtf8() + "\n");
    QDir().mkpath(Path("S"));
    Action("Synchronise")->trigger();
    Logic().FinishRun();
    auto* status = main_->findChild<tandrel::StatusLabel*>("StatusText");
    QVERIFY(status->FullText().startsWith("Ended "));
    QVERIFY(status->FullText().contains(": 1 failure, 0 copied"));
    // A menu's hints leave it alone.
    QMenu* menu = main_->menuBar()->findChildren<QMenu*>().first();
    menu->popup(main_->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseMove(menu, menu->actionGeometry(menu->actions().first()).center());
    menu->close();
    QVERIFY(status->text().contains(": 1 failure, 0 copied"));
    // Too long for the bar, it is cut in its middle.
    const QString path = "/" + QString("folder/").repeated(40);
    status->SetFullText("Job \"J\" - " + path + " - 3 files checked", Qt::ElideMiddle);
    QVERIFY(status->text().startsWith("Job \"J\" - /folder/"));
    QVERIFY(status->text().endsWith(" - 3 files checked"));
    QVERIFY(status->text().contains(QChar(0x2026)));
    // The failure line stands out; the start line does not.
    const QTextDocument* log = main_->findChild<QPlainTextEdit*>("Log")->document();
    const QColor failed = log->lastBlock().begin().fragment().charFormat().foreground().color();
    QCOMPARE(log->lastBlock().text(), QString("Destination directory does not exist for job \"J\""));
    QCOMPARE(failed, QColor(0xc0, 0x00, 0x00));
    QVERIFY(log->firstBlock().begin().fragment().charFormat().foreground().color() != failed);
    // Appended after a failure, the next run's lines are red only where they fail.
    Logic().Settings().appendLog = true;
    Action("Synchronise")->trigger();
    Logic().FinishRun();
    const QTextBlock secondStart = log->lastBlock().previous();
    QVERIFY(secondStart.text().startsWith("Synchronisation started at: "));
    QVERIFY(secondStart.begin().fragment().charFormat().foreground().color() != failed);
    QCOMPARE(log->lastBlock().begin().fragment().charFormat().foreground().color(), failed);
  }
};

TANDREL_APP_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
