// The start-up sequence offscreen: the "/SYNC" road (splash, one run, no
// message loop), the resident road with and without --minimized, exit codes,
// and the standard error box for errors escaping handlers.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app_test_main.h"
#include "dialogs/about_window.h"
#include "dialogs/general_dialog.h"
#include "dialogs/jobs_dialog.h"
#include "dialogs/prompts.h"
#include "qtsupport/qt_test_support.h"

using tandrel::StartUpOptions;
using tandrel::Windows;
using tandrel::test::ElapseNow;
using tandrel::test::ReadBytes;
using tandrel::test::TempConfig;
using tandrel::test::WriteBytes;
using tandrel::ui::Prompts;

namespace {

class ShowCounter : public QObject {
 public:
  int shows = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows;
    return QObject::eventFilter(watched, event);
  }
};

class Thrower : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("Handler failed");
    if (event->type() == QEvent::User + 1) throw std::runtime_error("Disk full.");
    if (event->type() == QEvent::User + 2) throw 42;
    return QObject::event(event);
  }
};

QAction* TrayItem(Windows& windows, const char* name) {
  auto* tray = windows.mainWindow->findChild<QSystemTrayIcon*>("TrayIcon");
  return tray->contextMenu()->findChild<QAction*>(name);
}

void CloseSplashAtOnce(Windows& windows) {
  QTimer::singleShot(0, windows.aboutWindow.get(), &QDialog::reject);
}

}  // namespace

class StartUpTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> folder_;
  // As the test was started; null when unset.
  const QByteArray runtime_ =
      qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") ? qgetenv("XDG_RUNTIME_DIR") : QByteArray();

  QString Path(const QString& relative) const { return folder_->Path(relative); }
  QString LogText() const { return QString::fromLocal8Bit(ReadBytes(Path("Log/Tandrel.log"))); }

  // The windows as the message loop of the resident road finds them.
  static void CheckResidentWindow(Windows& windows, int showState) {
    tandrel::MainWindow& main = *windows.mainWindow;
    QCOMPARE(main.Logic().LineCount(), 0);  // no run
    QVERIFY(main.findChild<QSystemTrayIcon*>("TrayIcon")->isVisible());
    if (showState == tandrel::kShowMinNoActive) {
      QVERIFY(!main.isVisible());
      // Restore from the tray shows the window in the normal state.
      TrayItem(windows, "TrayRestore")->trigger();
      QCOMPARE(main.windowState(), Qt::WindowNoState);
    }
    QVERIFY(main.isVisible());
  }

  StartUpOptions Options(const std::string& arguments) const {
    StartUpOptions options;
    options.programPath = Path("tandrel").toStdString();
    options.argumentText = arguments;
    return options;
  }

 private slots:
  void init() {
    Prompts::UseScript();
    folder_ = std::make_unique<TempConfig>();
    QVERIFY(folder_->isValid());
    QDir(folder_->dir()).mkpath("S");
    QDir(folder_->dir()).mkpath("D");
    WriteBytes(Path("S/a.txt"), "a");
    folder_->Write("[Active Jobs]\n0=J\n1=Missing\n\n[J]\nSource=" + Path("S").toUtf8() +
                   "\nDestination=" + Path("D").toUtf8() + "\n\n[Log]\nLogFile=1\n");
  }

  void cleanup() {
    folder_.reset();
    runtime_.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime_);
  }

  void syncRoadRunsOnceAfterTheSplashWithoutALoop_data() {
    QTest::addColumn<int>("showState");
    QTest::newRow("shown") << tandrel::kShowDefault;
    QTest::newRow("minimised") << tandrel::kShowMinNoActive;
  }

  void syncRoadRunsOnceAfterTheSplashWithoutALoop() {
    QFETCH(int, showState);
    StartUpOptions options = Options("x /Sync y");
    options.showState = showState;
    bool loopEntered = false;
    options.messageLoop = [&] {
      loopEntered = true;
      return 0;
    };
    // The steps in the order they happen.
    int step = 0, splashClosedAt = -1, runStartedAt = -1;
    bool splashTimerFired = false;
    bool splashOpenAtRun = true;
    ShowCounter mainShows;
    options.windowsCreated = [&](Windows& windows) {
      windows.mainWindow->installEventFilter(&mainShows);
      auto* timer = windows.aboutWindow->findChild<QTimer*>("tClose");
      QCOMPARE(timer->interval(), 3000);
      QObject::connect(timer, &QTimer::timeout, [&] { splashTimerFired = true; });
      QObject::connect(windows.aboutWindow.get(), &QDialog::finished, [&] { splashClosedAt = ++step; });
      auto* log = windows.mainWindow->findChild<QPlainTextEdit*>("Log");
      QObject::connect(log->document(), &QTextDocument::contentsChanged,
                       [&, about = windows.aboutWindow.get()] {
                         if (runStartedAt >= 0) return;
                         runStartedAt = ++step;
                         splashOpenAtRun = about->isVisible();
                       });
      ElapseNow(timer);
    };
    QCOMPARE(tandrel::StartUp(options), tandrel::kExitRunFailed);  // the job "Missing" did not run
    QVERIFY(!loopEntered);
    QCOMPARE(mainShows.shows, 0);
    // The splash closed by itself, then the run began.
    QVERIFY(splashTimerFired);
    QCOMPARE(splashClosedAt, 1);
    QCOMPARE(runStartedAt, 2);
    QVERIFY(!splashOpenAtRun);
    const QString log = LogText();
    QCOMPARE(log.count("Synchronisation started at: "), 1);
    QVERIFY(log.contains("Source directory does not exist for job \"Missing\""));
    QVERIFY(QFile::exists(Path("D/a.txt")));
  }

  void exitConfirmedDuringTheUnattendedRunLetsItFinish() {
    StartUpOptions options = Options("/SYNC");
    bool closedDuringRun = false;
    bool exitChosen = false;
    options.windowsCreated = [&](Windows& windows) {
      CloseSplashAtOnce(windows);
      auto* log = windows.mainWindow->findChild<QPlainTextEdit*>("Log");
      // At the run's first line: Exit from the tray, answered Yes.
      QObject::connect(log->document(), &QTextDocument::contentsChanged, windows.mainWindow.get(), [&] {
        if (exitChosen) return;
        exitChosen = true;
        Prompts::QueueAnswer(QMessageBox::Yes);  // close
        Prompts::QueueAnswer(QMessageBox::No);   // but let the run finish
        TrayItem(windows, "TrayExit")->trigger();
        closedDuringRun =
            windows.mainWindow->Logic().RunInProgress() && windows.mainWindow->Logic().EndRequested();
      });
    };
    QCOMPARE(tandrel::StartUp(options), tandrel::kExitRunFailed);  // the job "Missing" did not run
    QVERIFY(closedDuringRun);
    // The run went on to its last job.
    QVERIFY(LogText().endsWith("Source directory does not exist for job \"Missing\"\r\n"));
    QVERIFY(QFile::exists(Path("D/a.txt")));
  }

  void residentRoadEntersTheLoop_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("showState");
    QTest::newRow("no arguments") << "" << tandrel::kShowDefault;
    QTest::newRow("-SYNC") << "-SYNC" << tandrel::kShowDefault;
    QTest::newRow("SYNC") << "SYNC" << tandrel::kShowDefault;
    QTest::newRow("/ SYNC") << "/ SYNC" << tandrel::kShowDefault;
    QTest::newRow("--minimized") << "--minimized" << tandrel::kShowMinNoActive;
  }

  void residentRoadEntersTheLoop() {
    QFETCH(QString, arguments);
    QFETCH(int, showState);
    StartUpOptions options = Options(arguments.toStdString());
    options.showState = showState;
    Windows* seen = nullptr;
    options.windowsCreated = [&](Windows& windows) {
      seen = &windows;
      CloseSplashAtOnce(windows);
    };
    int loops = 0;
    options.messageLoop = [&] {
      ++loops;
      CheckResidentWindow(*seen, showState);
      return 0;
    };
    QCOMPARE(tandrel::StartUp(options), 0);
    QCOMPARE(loops, 1);
    QVERIFY(!QFile::exists(Path("D/a.txt")));
  }

  void titleAndWindows() {
    StartUpOptions options = Options("");
    bool checked = false;
    options.windowsCreated = [&](Windows& windows) {
      CloseSplashAtOnce(windows);
      QVERIFY(windows.mainWindow && windows.jobsDialog && windows.aboutWindow && windows.generalDialog);
      for (QWidget* window :
           std::initializer_list<QWidget*>{windows.mainWindow.get(), windows.jobsDialog.get(),
                                           windows.aboutWindow.get(), windows.generalDialog.get()}) {
        QVERIFY(!window->isVisible());
      }
      checked = true;
    };
    options.messageLoop = [] { return 0; };
    QCOMPARE(tandrel::StartUp(options), 0);
    QVERIFY(checked);
    QCOMPARE(QApplication::applicationDisplayName(), QString("Kolvane Tandrel"));
    QVERIFY(!QApplication::quitOnLastWindowClosed());
  }

  void confirmedExitEndsTheRealLoop() {
    StartUpOptions options = Options("");
    bool timedOut = false;
    Windows* seen = nullptr;
    options.windowsCreated = [&](Windows& windows) {
      seen = &windows;
      CloseSplashAtOnce(windows);
    };
    // The real loop, with Exit from the tray as its first event.
    options.messageLoop = [&] {
      QTimer::singleShot(0, seen->mainWindow.get(), [&] {
        Prompts::QueueAnswer(QMessageBox::Yes);
        TrayItem(*seen, "TrayExit")->trigger();
      });
      QTimer::singleShot(10000, seen->mainWindow.get(), [&] {
        timedOut = true;
        QCoreApplication::exit(1);
      });
      return QApplication::exec();
    };
    QCOMPARE(tandrel::StartUp(options), 0);
    QVERIFY(!timedOut);
    QCOMPARE(Prompts::Asked().size(), size_t(1));
  }

  void aSecondStartShowsTheResidentCopyAndEnds_data() {
    // The second start's runtime folder, "" for none (su, cron and ssh give
    // another or none); the first start's is the temporary folder.
    QTest::addColumn<QString>("runtime");
    QTest::newRow("same runtime folder") << ".";
    QTest::newRow("another runtime folder") << "S";
    QTest::newRow("no runtime folder") << "";
  }

  void aSecondStartShowsTheResidentCopyAndEnds() {
    QFETCH(QString, runtime);
    qputenv("XDG_RUNTIME_DIR", folder_->dir().toLocal8Bit());
    StartUpOptions options = Options("--minimized");
    options.showState = tandrel::kShowMinNoActive;
    Windows* seen = nullptr;
    options.windowsCreated = [&](Windows& windows) {
      seen = &windows;
      CloseSplashAtOnce(windows);
    };
    bool secondCreatedWindows = false, hiddenBefore = false, shownAfter = false;
    int secondCode = -1;
    options.messageLoop = [&] {
      hiddenBefore = !seen->mainWindow->isVisible();
      runtime.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR")
                        : qputenv("XDG_RUNTIME_DIR", Path(runtime).toLocal8Bit());
      StartUpOptions secondStart = Options("");
      // Should it stay resident after all, it ends at once.
      secondStart.windowsCreated = [&](Windows& windows) {
        secondCreatedWindows = true;
        CloseSplashAtOnce(windows);
      };
      secondStart.messageLoop = [] { return 0; };
      secondCode = tandrel::StartUp(secondStart);
      // The resident copy hears the knock in its own loop.
      shownAfter = QTest::qWaitFor([&] { return seen->mainWindow->isVisible(); });
      return 0;
    };
    QCOMPARE(tandrel::StartUp(options), 0);
    QVERIFY(hiddenBefore);
    QCOMPARE(secondCode, 0);
    QVERIFY(!secondCreatedWindows);
    QVERIFY(shownAfter);
    // Gone with the resident copy: the next start is resident itself.
    tandrel::SingleInstance after(Path("tandrel.cfg").toStdString());
    QVERIFY(!after.AskResidentToShow());
  }

  void exitConfirmedDuringTheSplashSkipsTheLoop() {
    StartUpOptions options = Options("");
    bool loopEntered = false;
    options.messageLoop = [&] {
      loopEntered = true;
      return 0;
    };
    options.windowsCreated = [](Windows& windows) {
      QTimer::singleShot(0, windows.aboutWindow.get(), [&windows] {
        Prompts::QueueAnswer(QMessageBox::Yes);
        TrayItem(windows, "TrayExit")->trigger();
        windows.aboutWindow->reject();
      });
    };
    QCOMPARE(tandrel::StartUp(options), 0);
    QVERIFY(!loopEntered);
  }

  void startUpErrorIsShownAndGivesExitCodeOne() {
    StartUpOptions options = Options("/SYNC");
    bool loopEntered = false;
    options.messageLoop = [&] {
      loopEntered = true;
      return 0;
    };
    options.windowsCreated = [](Windows&) { throw std::runtime_error("Window creation failed"); };
    QCOMPARE(tandrel::StartUp(options), 1);
    QVERIFY(!loopEntered);
    QCOMPARE(Prompts::Errors(), std::vector<QString>{"Window creation failed."});
    QVERIFY(!QFile::exists(Path("Log/Tandrel.log")));
  }

  void anUnreadableConfigurationIsShownAndRunsNothing_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("code");
    QTest::newRow("/SYNC") << "/SYNC" << tandrel::kExitStartUpError;
    QTest::newRow("resident, then Synchronise") << "" << tandrel::kExitClean;
  }

  void anUnreadableConfigurationIsShownAndRunsNothing() {
    QFETCH(QString, arguments);
    QFETCH(int, code);
    QVERIFY(QFile::remove(Path("tandrel.cfg")) && QDir().mkdir(Path("tandrel.cfg")));
    StartUpOptions options = Options(arguments.toStdString());
    QString shown;  // the log area as last shown
    tandrel::MainWindow* main = nullptr;
    options.windowsCreated = [&](Windows& windows) {
      CloseSplashAtOnce(windows);
      main = windows.mainWindow.get();
      auto* log = main->findChild<QPlainTextEdit*>("Log");
      QObject::connect(log->document(), &QTextDocument::contentsChanged,
                       [&, log] { shown = log->toPlainText(); });
    };
    options.messageLoop = [&] {
      main->findChild<QAction*>("Synchronise")->trigger();
      main->Logic().FinishRun();
      return 0;
    };
    QCOMPARE(tandrel::StartUp(options), code);
    const QString line =
        "The configuration file \"" + Path("tandrel.cfg") + "\" could not be read, errorcode: 21";
    QCOMPARE(Prompts::Errors(), std::vector<QString>{line + "."});
    QCOMPARE(shown, code == 0 ? line + "\n" + line : line);
    QVERIFY(QDir(Path("D")).isEmpty());
    QVERIFY(!QDir(Path("Log")).exists());
  }

  void errorsEscapingHandlersAreShownAndTheLoopGoesOn() {
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 2)));
    QTimer::singleShot(0, [] { throw std::runtime_error("Timer failed"); });
    bool later = false;
    QTimer::singleShot(0, [&] {  // queued after all of them
      later = true;
      QCoreApplication::exit(0);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(later);
    QCOMPARE(Prompts::Errors(),
             (std::vector<QString>{"Handler failed.", "Disk full.", "Unknown error.", "Timer failed."}));
  }
};

TANDREL_APP_TEST_MAIN(StartUpTest)
#include "startup_test.moc"
