// The main window offscreen: its commands, the close question, the tray
// icon, the log viewer and the nesting of commands inside a run.

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
#include <ctime>
#include <memory>
#include <stdexcept>

#include "app/tfmain.h"
#include "app_test_main.h"
#include "dialogs/about.h"
#include "dialogs/configgeneral.h"
#include "dialogs/configjobs.h"
#include "dialogs/prompts.h"
#include "platform/platform.h"
#include "qtsupport/qt_test_support.h"

using tandrel::TfMain;
using tandrel::test::kFrameSlack;
using tandrel::test::LocalTime;
using tandrel::test::TempConfig;
using tandrel::test::WriteBytes;
using tandrel::ui::Prompts;

namespace {
// A main window whose run fails as soon as it has begun.
class FailingMain : public TfMain {
 public:
  using TfMain::TfMain;
  void MemoAdd(const std::string& line) override {
    if (line.rfind("Synchronisation started at", 0) == 0) throw std::runtime_error("disk gone");
    TfMain::MemoAdd(line);
  }
};

}  // namespace

class TfMainTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> folder_;
  std::unique_ptr<TfMain> main_;

  QString Path(const QString& relative) const { return folder_->Path(relative); }
  std::string ProgramPath() const { return Path("tandrel").toStdString(); }
  QAction* Action(const char* name) const { return main_->findChild<QAction*>(name); }
  QToolButton* Button(const char* name) const { return main_->findChild<QToolButton*>(name); }
  QPlainTextEdit* Log() const { return main_->findChild<QPlainTextEdit*>("mLog"); }
  QSystemTrayIcon* Tray() const { return main_->findChild<QSystemTrayIcon*>("TrayIcon1"); }
  QTimer* SyncTimer() const { return main_->findChild<QTimer*>("tSync"); }

  // The log area as the user sees it once the waiting lines are shown.
  QStringList MemoLines() const {
    main_->MemoFlush();
    return main_->MemoCount() == 0 ? QStringList() : Log()->toPlainText().split('\n');
  }
  int StartLines() const {
    return static_cast<int>(MemoLines().filter(QRegularExpression("^Synchronisation started at: ")).size());
  }

  // One active job over a source of `files` files, and the log options.
  void WriteJob(int files) {
    QDir(folder_->dir()).mkpath("S");
    QDir(folder_->dir()).mkpath("D");
    for (int i = 0; i < files; ++i)
      WriteBytes(Path(QString("S/f%1.txt").arg(i)), "content " + std::to_string(i));
    folder_->Write("[Active Jobs]\n0=J\n\n[J]\nSource=" + Path("S").toUtf8() +
                   "\nDestination=" + Path("D").toUtf8() + "\nFileMask=*.*\n");
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
    main_ = std::make_unique<TfMain>(ProgramPath());
  }

  void cleanup() {
    main_.reset();
    folder_.reset();
  }

  void windowAndControlsAsDesigned() {
    QCOMPARE(main_->windowTitle(), QString("Kolvane Directory Synchronisation"));
    ShowMain();
    QCOMPARE(main_->centralWidget()->width(), 658);
    QCOMPARE(main_->centralWidget()->height() + main_->statusBar()->height(), 482);

    struct Item {
      const char* menu;
      const char* title;
      QStringList items;  // object name and caption, alternating; "N1" is the separator
    };
    const Item menus[] = {
        {"File1", "File", {"mExit", "Exit"}},
        {"Action1", "Action", {"mSynchronise", "Synchronise", "N1", "", "mActViewLogFile", "View logfile"}},
        {"Config1", "Config", {"mJobs", "Jobs", "mGeneral", "General"}},
        {"Help1", "Help", {"Contents1", "Contents", "mAbout1", "About"}},
    };
    const QList<QAction*> barActions = main_->menuBar()->actions();
    QCOMPARE(barActions.size(), 4);
    for (int m = 0; m < 4; ++m) {
      QMenu* menu = barActions[m]->menu();
      QVERIFY(menu);
      QCOMPARE(menu->objectName(), QString(menus[m].menu));
      QCOMPARE(menu->title(), QString(menus[m].title));
      const QList<QAction*> items = menu->actions();
      QCOMPARE(items.size(), menus[m].items.size() / 2);
      for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(items[i]->objectName(), menus[m].items[2 * i]);
        QCOMPARE(items[i]->isSeparator(), menus[m].items[2 * i] == "N1");
        if (!items[i]->isSeparator()) QCOMPARE(items[i]->text(), menus[m].items[2 * i + 1]);
        QVERIFY(items[i]->isEnabled());
      }
    }

    for (const char* name : {"sbSync", "sbConfigAlg", "sbConfigJobs"}) {
      // A glyph of two images: the disabled one differs from the normal one.
      const QIcon icon = Button(name)->icon();
      const QImage normal = icon.pixmap(16, QIcon::Normal).toImage();
      QVERIFY2(!normal.isNull(), name);
      QVERIFY2(normal != icon.pixmap(16, QIcon::Disabled).toImage(), name);
    }
    QCOMPARE(Button("sbSync")->toolTip(), QString("Synchronise"));
    QCOMPARE(Button("sbConfigAlg")->toolTip(), QString("Configuration general"));
    QCOMPARE(Button("sbConfigJobs")->toolTip(), QString("Configuration jobs"));

    // The log area is anchored to all four sides.
    QPlainTextEdit* log = Log();
    QCOMPARE(log->geometry(), QRect(0, 48, 658, 413));
    QVERIFY(log->isReadOnly());
    QCOMPARE(log->lineWrapMode(), QPlainTextEdit::NoWrap);
    main_->resize(800, main_->height() + 100);
    QTRY_COMPARE(log->geometry(), QRect(0, 48, 800, 513));

    QCOMPARE(SyncTimer()->interval(), 10000);
    QVERIFY(SyncTimer()->isActive());

    QSystemTrayIcon* tray = Tray();
    QVERIFY(tray);
    QVERIFY(tray->isVisible());
    QCOMPARE(tray->toolTip(), QString("Kolvane Tandrel"));
    QVERIFY(!tray->icon().pixmap(32).isNull());
    QVERIFY(tray->contextMenu());
    const QList<QAction*> trayItems = tray->contextMenu()->actions();
    QCOMPARE(trayItems.size(), 2);
    QCOMPARE(trayItems[0]->objectName(), QString("pmTIRestore"));
    QCOMPARE(trayItems[0]->text(), QString("Restore"));
    QCOMPARE(trayItems[1]->objectName(), QString("pmTIExit"));
    QCOMPARE(trayItems[1]->text(), QString("Exit"));
  }

  void creationLoadsSettingsAndSchedules() {
    main_.reset();
    folder_->Write("[Synchronisation time]\nTime=00:10\nInterval=1\n[Log]\nLogFile=1\nMultipleLog=1\n");
    const QTime before = QTime::currentTime();
    main_ = std::make_unique<TfMain>(ProgramPath());
    const QTime after = QTime::currentTime();
    QCOMPARE(QString::fromStdString(main_->SyncTime), QString("00:10"));
    QVERIFY(main_->IntervalMode);
    QVERIFY(main_->LogFile);
    QVERIFY(!main_->ExtendedLog);
    QVERIFY(!main_->AppendLog);
    QVERIFY(main_->MultipleLog);
    QVERIFY(!main_->TimerArmed);
    QVERIFY(!main_->RunInProgress);
    QVERIFY(!main_->WindowsEnding);
    const QString next = QString::fromStdString(main_->NextSyncTime);
    QVERIFY2(next == before.addSecs(600).toString("hh:mm") || next == after.addSecs(600).toString("hh:mm"),
             qPrintable(next));
  }

  void synchroniseDuringARunStartsNoSecondRun() {
    WriteJob(5);
    main_->AppendLog = true;
    main_->ExtendedLog = true;
    ShowMain();
    bool nestedInRun = false;
    QTimer::singleShot(0, main_.get(), [&] {
      nestedInRun = main_->RunInProgress;
      Action("mSynchronise")->trigger();
      QTest::mouseClick(Button("sbSync"), Qt::LeftButton);
    });
    Action("mSynchronise")->trigger();
    QVERIFY(nestedInRun);
    QCOMPARE(StartLines(), 1);
    QVERIFY(QFile::exists(Path("D/f4.txt")));
    QVERIFY(!main_->RunInProgress);

    // Once the run has ended, the tool button starts the next one.
    QTest::mouseClick(Button("sbSync"), Qt::LeftButton);
    QCOMPARE(StartLines(), 2);
  }

  void closeQuestion_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("answer");
    for (const char* source : {"mExit", "pmTIExit", "close", "windowClose"}) {
      QTest::addRow("%s yes", source) << source << int(QMessageBox::Yes);
      QTest::addRow("%s no", source) << source << int(QMessageBox::No);
    }
  }

  void closeQuestion() {
    QFETCH(QString, source);
    QFETCH(int, answer);
    ShowMain();
    Prompts::QueueAnswer(QMessageBox::StandardButton(answer));
    if (source == "mExit") {
      Action("mExit")->trigger();
    } else if (source == "pmTIExit") {
      Tray()->contextMenu()->findChild<QAction*>("pmTIExit")->trigger();
    } else if (source == "close") {
      main_->close();
    } else {
      main_->windowHandle()->close();  // as the title bar's button and Alt+F4 ask
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
    QCOMPARE(main_->EndRequested(), yes);
    QCOMPARE(main_->isVisible(), !yes);
  }

  void endOfSessionAgreesWithoutAsking() {
    ShowMain();
    main_->QueryEndSession();
    // Another program may still cancel the log-off: this one keeps running...
    QVERIFY(main_->WindowsEnding);
    QVERIFY(main_->isVisible());
    QVERIFY(!main_->EndRequested());
    // ...and from now on closes without a question.
    main_->close();
    QVERIFY(Prompts::Asked().empty());
    QVERIFY(main_->EndRequested());
    QVERIFY(!main_->isVisible());
  }

  void confirmedCloseLetsTheRunFinishThenEnds() {
    WriteJob(20);
    main_->ExtendedLog = true;
    ShowMain();
    bool closedDuringRun = false;
    int linesAtClose = 0;
    bool timedOut = false;
    // Both fire in the message loop; the second inside the run the first starts.
    QTimer::singleShot(0, main_.get(), [&] { Action("mSynchronise")->trigger(); });
    QTimer::singleShot(0, main_.get(), [&] {
      Prompts::QueueAnswer(QMessageBox::Yes);
      Action("mExit")->trigger();
      closedDuringRun = main_->RunInProgress;
      linesAtClose = main_->MemoCount();
    });
    QTimer::singleShot(20000, main_.get(), [&] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!timedOut);
    QVERIFY(closedDuringRun);
    QVERIFY(main_->EndRequested());
    QVERIFY(!main_->RunInProgress);
    // The run went on to its end after the close.
    const QStringList lines = MemoLines();
    QVERIFY(linesAtClose < lines.size());
    QVERIFY2(lines.last().startsWith("Dir " + Path("S") + "/ - 20 files"), qPrintable(lines.last()));
    QVERIFY(QFile::exists(Path("D/f19.txt")));
  }

  void confirmedCloseWithoutARunEndsTheLoop() {
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
    QCOMPARE(Prompts::Asked().size(), size_t(1));
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
    QTRY_VERIFY(!main_->isVisible());
    QVERIFY(Tray()->isVisible());
    // The context click only opens the menu.
    emit Tray()->activated(QSystemTrayIcon::Context);
    QVERIFY(!main_->isVisible());

    if (how == "click") {
      emit Tray()->activated(QSystemTrayIcon::Trigger);
    } else if (how == "double") {
      emit Tray()->activated(QSystemTrayIcon::DoubleClick);
    } else {
      Tray()->contextMenu()->findChild<QAction*>("pmTIRestore")->trigger();
    }
    QVERIFY(main_->isVisible());
    QVERIFY(!(main_->windowState() & Qt::WindowMinimized));
    // Still visible once the pending hide of the minimise has been handled.
    QTest::qWait(50);
    QVERIFY(main_->isVisible());
  }

  void restoreAfterAHiddenStartShowsTheNormalWindow() {
    main_->setWindowState(Qt::WindowMinimized);  // as the start with --minimized leaves it
    QVERIFY(!main_->isVisible());
    Tray()->contextMenu()->findChild<QAction*>("pmTIRestore")->trigger();
    QVERIFY(main_->isVisible());
    QCOMPARE(main_->windowState(), Qt::WindowNoState);
  }

  void trayAnswersWhileAModalWindowIsOpen_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("jobs") << "mJobs";
    QTest::newRow("general") << "mGeneral";
    QTest::newRow("about") << "mAbout1";
  }

  void trayAnswersWhileAModalWindowIsOpen() {
    QFETCH(QString, command);
    tandrel::TfConfigJobs jobs(main_->ConfigPath(), main_.get());
    tandrel::TfAbout about(main_.get());
    tandrel::TfConfigGeneral general(*main_, main_.get());
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
      click(Button("sbSync"), Button("sbSync")->rect().center());
      mainBlocked = StartLines() == 0;
      click(&trayWindow, trayWindow.rect().center());
      // The window manager minimises the dialog and its main window together.
      modal->setWindowState(Qt::WindowMinimized);
      main_->setWindowState(Qt::WindowMinimized);
      QTRY_VERIFY(!main_->isVisible());
      bothGone = modal->isMinimized();
      // Restore from the tray icon's menu, clicked.
      QMenu* menu = Tray()->contextMenu();
      menu->popup(QPoint(20, 20));
      QVERIFY(QTest::qWaitForWindowExposed(menu));
      QAction* restore = menu->findChild<QAction*>("pmTIRestore");
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

  void logKeepsTheRunInView() {
    QString file;
    for (int i = 0; i < 500; ++i) file += QString("viewed %1\r\n").arg(i);
    WriteBytes(Path("old.log"), file.toStdString());
    WriteJob(3);
    ShowMain();
    QScrollBar* bar = Log()->verticalScrollBar();
    const auto firstShownLine = [&] { return Log()->document()->findBlockByNumber(bar->value()).text(); };

    // A file viewed shows from its top; the run that follows comes into view.
    Prompts::QueueFile(Path("old.log"));
    Action("mActViewLogFile")->trigger();
    QCOMPARE(bar->value(), 0);
    main_->AppendLog = true;
    Action("mSynchronise")->trigger();
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(MemoLines().indexOf(QRegularExpression("Synchronisation started at: .*")) >= bar->value());

    // Reading above the end: more lines leave the view where it is...
    bar->setValue(100);
    main_->MemoAdd("later");
    main_->MemoFlush();
    QCOMPARE(firstShownLine(), QString("viewed 100"));
    // ...at the end, the end stays in view.
    bar->setValue(bar->maximum());
    for (int i = 0; i < 50; ++i) main_->MemoAdd("more");
    main_->MemoFlush();
    QCOMPARE(bar->value(), bar->maximum());

    // A new run comes into view wherever the user was reading; a first batch
    // longer than the view shows the run from its first line.
    bar->setValue(10);
    main_->MemoRunBegins();
    main_->MemoAdd("");
    main_->MemoAdd("first of the run");
    for (int i = 0; i < 200; ++i) main_->MemoAdd("run line");
    main_->MemoFlush();
    QVERIFY(bar->value() < bar->maximum());
    QCOMPARE(Log()->document()->findBlockByNumber(bar->value() + 1).text(), QString("first of the run"));
  }

  void viewLogFileShowsItsLines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n") << QStringList{"one", "two"};
    QTest::newRow("no final break") << QByteArray("one\r\ntwo") << QStringList{"one", "two"};
    QTest::newRow("CR and LF alone") << QByteArray("a\rb\nc\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines") << QByteArray("a\r\n\r\nb\n\n") << QStringList{"a", "", "b", ""};
    QTest::newRow("LF CR is two breaks") << QByteArray("x\n\ry") << QStringList{"x", "", "y"};
    QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
  }

  void viewLogFileShowsItsLines() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    main_->MemoAdd("earlier");
    WriteBytes(Path("run.log"), content.toStdString());
    Prompts::QueueFile(Path("run.log"));
    Action("mActViewLogFile")->trigger();
    QCOMPARE(MemoLines(), lines);
    QCOMPARE(main_->MemoCount(), lines.size());
    QCOMPARE(Prompts::FileRequests().size(), size_t(1));
    QCOMPARE(Prompts::FileRequests()[0].startFolder, folder_->dir() + "/");
    QCOMPARE(Prompts::FileRequests()[0].filter, QString("Log files (*.log)"));
  }

  void viewedLinesAndTheRunsThatFollow() {
    WriteJob(1);
    WriteBytes(Path("old.log"), "a\r\nb\r\n");
    Prompts::QueueFile(Path("old.log"));
    Action("mActViewLogFile")->trigger();
    Prompts::QueueFile("");  // cancelled: nothing changes
    Action("mActViewLogFile")->trigger();
    QCOMPARE(MemoLines(), QStringList({"a", "b"}));

    Action("mSynchronise")->trigger();  // AppendLog off: the file's lines go
    QVERIFY(MemoLines().first().startsWith("Synchronisation started at: "));
    QVERIFY(!MemoLines().contains("a"));

    Prompts::QueueFile(Path("old.log"));
    Action("mActViewLogFile")->trigger();
    main_->AppendLog = true;
    Action("mSynchronise")->trigger();
    const QStringList lines = MemoLines();
    QCOMPARE(lines.mid(0, 3), QStringList({"a", "b", ""}));
    QVERIFY(lines[3].startsWith("Synchronisation started at: "));
  }

  void viewLogFileThatCannotBeReadKeepsTheMemo() {
    main_->MemoAdd("kept");
    Prompts::QueueFile(Path("gone.log"));
    Action("mActViewLogFile")->trigger();
    QCOMPARE(Prompts::Errors().size(), size_t(1));
    QCOMPARE(Prompts::Errors()[0],
             "Cannot open file \"" + Path("gone.log") + "\". No such file or directory.");
    QCOMPARE(MemoLines(), QStringList({"kept"}));
  }

  void aRunShowsEveryLineWhenItEnds() {
    // Lines wait to be shown together; the end of a run shows them all.
    for (int i = 0; i < 300; ++i) main_->MemoAdd("earlier " + std::to_string(i));
    QCOMPARE(main_->MemoCount(), 300);
    main_->AppendLog = true;
    main_->mSynchroniseClick();
    const QStringList shown = Log()->toPlainText().split('\n');
    QCOMPARE(shown.size(), 302);
    QCOMPARE(shown[299], QString("earlier 299"));
    QCOMPARE(shown[300], QString());
    QVERIFY(shown[301].startsWith("Synchronisation started at: "));
  }

  void memoCountsAnEmptyFirstLine() {
    QCOMPARE(main_->MemoCount(), 0);
    main_->MemoAdd("");
    QCOMPARE(main_->MemoCount(), 1);
    main_->MemoAdd("x");
    QCOMPARE(MemoLines(), QStringList({"", "x"}));
    main_->MemoClear();
    QCOMPARE(main_->MemoCount(), 0);
    main_->MemoReplaceAll({""});
    QCOMPARE(main_->MemoCount(), 1);
    main_->MemoAdd("y");
    QCOMPARE(MemoLines(), QStringList({"", "y"}));
    main_->MemoReplaceAll({});
    QCOMPARE(main_->MemoCount(), 0);
  }

  void contentsOpensTheManualBesideTheProgram() {
    Action("Contents1")->trigger();
    QCOMPARE(Prompts::Opened(), std::vector<QString>{Path("tandrel.html")});
  }

  void aboutIsCentredOverTheMainWindow() {
    tandrel::TfAbout about(main_.get());
    main_->SetWindows(nullptr, &about, nullptr);
    main_->move(40, 30);
    ShowMain();
    QPoint aboutCentre;
    QTimer::singleShot(0, &about, [&] {
      aboutCentre = about.geometry().center();
      about.findChild<QPushButton*>("bbOk")->click();
    });
    Action("mAbout1")->trigger();
    QVERIFY((aboutCentre - main_->frameGeometry().center()).manhattanLength() <= kFrameSlack);
  }

  void jobsShowsTheJobsDialog_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("menu") << "mJobs";
    QTest::newRow("tool button") << "sbConfigJobs";
  }

  void jobsShowsTheJobsDialog() {
    QFETCH(QString, source);
    tandrel::TfConfigJobs jobs(main_->ConfigPath(), main_.get());
    main_->SetWindows(&jobs, nullptr, nullptr);
    ShowMain();
    QWidget* shown = nullptr;
    QTimer::singleShot(0, &jobs, [&] {
      shown = QApplication::activeModalWidget();
      jobs.reject();
    });
    if (source == "mJobs") {
      Action("mJobs")->trigger();
    } else {
      QTest::mouseClick(Button("sbConfigJobs"), Qt::LeftButton);
    }
    QCOMPARE(shown, &jobs);
  }

  void generalRecomputesTheScheduleWhenClosed_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("menu") << "mGeneral";
    QTest::newRow("tool button") << "sbConfigAlg";
  }

  void generalRecomputesTheScheduleWhenClosed() {
    QFETCH(QString, source);
    tandrel::TfConfigGeneral general(*main_, main_.get());
    main_->SetWindows(nullptr, nullptr, &general);
    folder_->Write("[Synchronisation time]\nTime=01:00\nInterval=1\n");
    main_->SetClock([] { return LocalTime(10, 20, 30); });
    main_->NextSyncTime = "xx:xx";
    ShowMain();
    QWidget* shown = nullptr;
    QTimer::singleShot(0, &general, [&] {
      shown = QApplication::activeModalWidget();
      general.close();
    });
    if (source == "mGeneral") {
      Action("mGeneral")->trigger();
    } else {
      QTest::mouseClick(Button("sbConfigAlg"), Qt::LeftButton);
    }
    QCOMPARE(shown, &general);
    QVERIFY(main_->IntervalMode);
    QCOMPARE(QString::fromStdString(main_->NextSyncTime), QString("11:20"));
  }

  void dueTickRunsThroughTheTimer() {
    main_->SetClock([] { return LocalTime(10, 5, 0); });
    main_->SyncTime = main_->NextSyncTime = "10:05";
    main_->TimerArmed = true;
    SyncTimer()->setInterval(1);
    QTRY_COMPARE(StartLines(), 1);
    QVERIFY(!main_->TimerArmed);
    SyncTimer()->stop();
  }

  void errorInATimedRunIsShownAndTheTickSkipped() {
    main_.reset();
    main_ = std::make_unique<FailingMain>(ProgramPath());
    main_->SetClock([] { return LocalTime(10, 5, 0); });
    main_->SyncTime = "00:05";
    main_->IntervalMode = true;
    main_->NextSyncTime = "10:05";
    main_->TimerArmed = true;
    SyncTimer()->setInterval(1);
    QTRY_VERIFY(!Prompts::Errors().empty());
    SyncTimer()->stop();
    QCOMPARE(Prompts::Errors()[0], QString("disk gone."));
    QVERIFY(main_->TimerArmed);
    QCOMPARE(QString::fromStdString(main_->NextSyncTime), QString("10:05"));
    QVERIFY(!main_->RunInProgress);
  }

  void aRunOfABusyConfigurationOnlySaysSo() {
    WriteJob(2);
    main_->LogFile = true;
    const tandrel::platform::RunLock other(main_->ConfigPath());  // another process's run
    QVERIFY(other.held());
    Action("mSynchronise")->trigger();
    QTest::mouseClick(Button("sbSync"), Qt::LeftButton);
    main_->SetClock([] { return LocalTime(10, 5, 0); });
    main_->SyncTime = main_->NextSyncTime = "10:05";
    main_->TimerArmed = true;
    SyncTimer()->setInterval(1);
    QTRY_VERIFY(!main_->TimerArmed);  // as after a run
    SyncTimer()->stop();
    const QString busy = "Another run of this configuration is in progress";
    QCOMPARE(MemoLines(), (QStringList{busy, busy, busy}));
    QVERIFY(QDir(Path("D")).isEmpty());
    QVERIFY(!QFile::exists(Path("Log/Tandrel.log")));
    QVERIFY(!main_->RunInProgress);
  }

  void statusBarStaysEmpty() {
    WriteJob(2);
    ShowMain();
    for (QAction* action : main_->findChildren<QAction*>()) action->hover();
    Action("mSynchronise")->trigger();
    QVERIFY(main_->statusBar()->currentMessage().isEmpty());
    QVERIFY(main_->statusBar()->findChildren<QLabel*>().isEmpty());
  }
};

TANDREL_APP_TEST_MAIN(TfMainTest)
#include "tfmain_test.moc"
