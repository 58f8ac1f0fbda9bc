// The built program as a real process in a program folder of its own, with
// the environment of a cron job (no display at all): "/SYNC" runs once after
// the splash where there is a screen, ends with 0 and prints nothing; a
// failed run ends with 2 and its failures on standard error, a run of a busy
// configuration with 3, one whose run lock others may hold with 1; without
// the switch it stays resident, or ends with 1 where no display could ever
// show its window, and a start-up error ends it with 1 and its message on
// standard error. Without any display "/SYNC" runs without the window
// system, and leaves what the main window's run leaves. A build whose splash
// ends at once, and which says so, mostly stands in for the program.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <memory>

#include <sys/stat.h>

#include "qtsupport/qt_test_support.h"
#include "testsupport/other_user.h"

using tandrel::test::ReadBytes;
using tandrel::test::TempConfig;
using tandrel::test::WriteBytes;

namespace {

struct Outcome {
  bool finished = false;
  QProcess::ExitStatus status = QProcess::CrashExit;
  int code = -1;
  QByteArray errors;
  QByteArray output;
};

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> folder_;

  QString Path(const QString& relative) const { return folder_->Path(relative); }

  // The program copied into the temporary folder, so that its configuration
  // file and Log folder are there. A copy beside this test is taken first:
  // a run as another user has one there, since the build tree may lie where
  // that user cannot go.
  QString Install(const QString& built) const {
    const QString program = Path("tandrel");
    const QString beside = QCoreApplication::applicationDirPath() + "/" + QFileInfo(built).fileName();
    const QString original = QFileInfo::exists(beside) ? beside : built;
    if (!QFile::copy(original, program)) return {};
    QFile::setPermissions(program, QFile::permissions(original) | QFile::ExeOwner);
    return program;
  }

  static QProcessEnvironment CronEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // As cron starts jobs: no display, no runtime folder.
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "TANDREL_DEBUG"})
      environment.remove(name);
    environment.insert("LC_ALL", "C.UTF-8");
    return environment;
  }

  // Runs the program to its end with cron's environment plus `extra`.
  static Outcome Run(const QString& program, const QStringList& arguments,
                     const QList<QPair<QString, QString>>& extra = {}) {
    QProcess process;
    QProcessEnvironment environment = CronEnvironment();
    for (const auto& [name, value] : extra) environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Outcome outcome;
    outcome.finished = process.waitForFinished(60000);
    outcome.status = process.exitStatus();
    outcome.code = process.exitCode();
    outcome.errors = process.readAllStandardError();
    outcome.output = process.readAllStandardOutput();
    if (!outcome.finished) process.kill();
    return outcome;
  }

  // Starts a process that holds the run lock, as a running run would, with
  // a lock file made as a run makes it (0600); `as` comes before it (another
  // user, for instance). True once it holds the lock.
  bool HoldRunLock(QProcess& holder, const QStringList& as = {}) const {
    holder.start("sh", QStringList{"-c", "umask 077; exec \"$@\"", "sh"} + as +
                           QStringList{"flock", "--no-fork", Path("tandrel.cfg.lock"), "sh", "-c",
                                       "echo held; exec sleep infinity"});
    return holder.waitForReadyRead(60000) && holder.readAllStandardOutput() == "held\n";
  }

  // Every file below `folder` with its content, and every folder.
  QStringList Tree(const QString& folder) const {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QFileInfo info(it.next());
      entries << info.filePath().mid(folder.size()) +
                     (info.isDir() ? QString("/") : "=" + QString::fromLocal8Bit(ReadBytes(info.filePath())));
    }
    entries.sort();
    return entries;
  }

  // The destination as each run finds it: a folder where a file goes, a file
  // and a folder that cleanup removes, a file to be replaced.
  void ResetDestination() const {
    QDir(Path("D")).removeRecursively();
    QDir(Path("Log")).removeRecursively();
    QDir(folder_->dir()).mkpath("D/sub/b.txt");
    WriteBytes(Path("D/stale.txt"), "gone at the source");
    WriteBytes(Path("D/old/inner.txt"), "a folder the source lost");
    WriteBytes(Path("D/a.txt"), "older");
    QFile older(Path("D/a.txt"));
    if (older.open(QIODevice::ReadWrite))
      older.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime);
  }

 private slots:
  void init() {
    folder_ = std::make_unique<TempConfig>();
    QVERIFY(folder_->isValid());
    QDir(folder_->dir()).mkpath("S/sub");
    QDir(folder_->dir()).mkpath("D");
    WriteBytes(Path("S/a.txt"), "alpha");
    WriteBytes(Path("S/sub/b.txt"), "beta");
    WriteConfig(false, true);
  }

  void cleanup() { folder_.reset(); }

  // The job "Docs" from S to D, and with `missing` a second job whose source
  // does not exist.
  void WriteConfig(bool missing, bool extendedLog) const {
    folder_->Write("[Active Jobs]\n0=Docs\n" + QByteArray(missing ? "1=Missing\n" : "") +
                   "\n[Docs]\nSource=" + Path("S").toUtf8() + "\nDestination=" + Path("D").toUtf8() +
                   "\nFileMask=*.*\nInclude SubDirs=1\n\n[Missing]\nSource=" + Path("nowhere").toUtf8() +
                   "\nDestination=" + Path("D").toUtf8() +
                   "\n\n[Log]\nLogFile=1\nExtendedLog=" + (extendedLog ? "1" : "0") + "\n");
  }

  void syncRunWritesTheLogAndEndsWithZero_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    // Where there is a screen (the offscreen platform asked for stands in
    // for one) the splash comes first; without any display nobody would see
    // it, and the run starts at once.
    QTest::newRow("/SYNC with a screen") << QStringList{"/SYNC"} << true;
    QTest::newRow("/SYNC from cron") << QStringList{"/SYNC"} << false;
    QTest::newRow("/sync among others") << QStringList{"--minimized", "now/sync", "please"} << false;
  }

  void syncRunWritesTheLogAndEndsWithZero() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome outcome = Run(program, arguments,
                                display ? QList<QPair<QString, QString>>{{"QT_QPA_PLATFORM", "offscreen"}}
                                        : QList<QPair<QString, QString>>{});
    QVERIFY(outcome.finished);
    QCOMPARE(outcome.status, QProcess::NormalExit);
    QCOMPARE(outcome.code, 0);
    QCOMPARE(outcome.output, QByteArray(display ? "splash closed\n" : ""));
    QCOMPARE(outcome.errors, QByteArray());  // a clean run prints nothing, and enters no loop

    const QByteArray log = ReadBytes(Path("Log/Tandrel.log"));
    QVERIFY2(log.startsWith("Synchronisation started at: "), log.constData());
    QVERIFY(log.endsWith("\r\n"));
    QCOMPARE(log.count("Synchronisation started at: "), 1);
    QVERIFY(log.contains(QString(" -> " + Path("D/a.txt") + "\r\n").toLocal8Bit()));
    QVERIFY(log.contains(QString(" -> " + Path("D/sub/b.txt") + "\r\n").toLocal8Bit()));
    QCOMPARE(ReadBytes(Path("D/a.txt")), QByteArray("alpha"));
    QCOMPARE(ReadBytes(Path("D/sub/b.txt")), QByteArray("beta"));
  }

  void withoutADisplayTheRunLeavesWhatTheWindowsRunLeaves() {
    QDir(folder_->dir()).mkpath("S/empty/chain");
    WriteBytes(Path("S/c.txt"), "gamma");
    folder_->Write("[Active Jobs]\n0=Docs\n1=Missing\n\n[Docs]\nSource=" + Path("S").toUtf8() +
                   "\nDestination=" + Path("D").toUtf8() +
                   "\nFileMask=*.txt\nInclude SubDirs=1\nDelete Empty SubDirs=1\nCleanup Destination=1"
                   "\nVerify=1\n\n[Missing]\nSource=" +
                   Path("nowhere").toUtf8() + "\nDestination=" + Path("D").toUtf8() +
                   "\n\n[Log]\nLogFile=1\nExtendedLog=1\n");
    struct Road {
      QString built;
      QList<QPair<QString, QString>> environment;
      Outcome outcome;
      QList<QByteArray> log;
      QStringList destination;
    };
    Road roads[] = {{TANDREL_EXECUTABLE, {}, {}, {}, {}},
                    {TANDREL_QUICK_SPLASH_EXECUTABLE, {{"QT_QPA_PLATFORM", "offscreen"}}, {}, {}, {}}};
    for (Road& road : roads) {
      ResetDestination();
      QDir(folder_->dir()).mkpath("S/empty/chain");
      QFile::remove(Path("tandrel"));
      const QString program = Install(road.built);
      QVERIFY(!program.isEmpty());
      road.outcome = Run(program, {"/SYNC"}, road.environment);
      QVERIFY(road.outcome.finished);
      road.log = ReadBytes(Path("Log/Tandrel.log")).split('\n');
      road.destination = Tree(Path("D"));
    }
    const Road& unattended = roads[0];
    const Road& windowed = roads[1];
    QCOMPARE(unattended.outcome.code, 2);
    QCOMPARE(windowed.outcome.code, unattended.outcome.code);
    QCOMPARE(windowed.outcome.errors, unattended.outcome.errors);
    QVERIFY2(unattended.outcome.errors.contains(" code 13 "), unattended.outcome.errors.constData());
    QCOMPARE(unattended.outcome.output, QByteArray());
    QCOMPARE(windowed.outcome.output, QByteArray("splash closed\n"));
    // Every line but the start line's date and time.
    QVERIFY(unattended.log.size() > 8);
    QCOMPARE(unattended.log.size(), windowed.log.size());
    QVERIFY(unattended.log[0].startsWith("Synchronisation started at: "));
    QVERIFY(windowed.log[0].startsWith("Synchronisation started at: "));
    QCOMPARE(unattended.log.mid(1), windowed.log.mid(1));
    for (const char* line : {" cleaned up\r", "removed (was empty)\r", "Source directory does not exist"}) {
      QVERIFY2(unattended.log.join('\n').contains(line), line);
    }
    QCOMPARE(unattended.destination, windowed.destination);
    QVERIFY(unattended.destination.contains("/a.txt=alpha"));
    QVERIFY(!unattended.destination.contains("/stale.txt=gone at the source"));
  }

  void theFrameworksNotesAppearOnlyWhenAskedFor() {
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome quiet = Run(program, {"/SYNC"});
    QCOMPARE(quiet.errors, QByteArray());
    const Outcome debug = Run(program, {"/SYNC"}, {{"TANDREL_DEBUG", "1"}});
    QCOMPARE(debug.code, 0);
    QVERIFY2(debug.errors.contains("XDG_RUNTIME_DIR"), debug.errors.constData());
  }

  void helpAndVersionAnswerWithoutAWindow_data() {
    QTest::addColumn<QString>("argument");
    QTest::newRow("--version") << "--version";
    QTest::newRow("--help") << "--help";
    QTest::newRow("-h") << "-h";
  }

  void helpAndVersionAnswerWithoutAWindow() {
    QFETCH(QString, argument);
    const QString program = Install(TANDREL_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    // A display that does not exist: any window, even the application
    // object, would end the program with an error.
    const Outcome outcome = Run(program, {argument, "/SYNC"}, {{"DISPLAY", ":9999"}});
    QVERIFY(outcome.finished);
    QCOMPARE(outcome.code, 0);
    QCOMPARE(outcome.errors, QByteArray());
    if (argument == "--version") {
      QCOMPARE(outcome.output, QByteArray("Tandrel 1.0.0.1\n"));
    } else {
      QVERIFY2(outcome.output.startsWith("Usage: tandrel [--minimized] [/SYNC]\n"),
               outcome.output.constData());
      // Where this copy keeps its files: beside itself.
      QVERIFY(outcome.output.contains(("\nConfiguration: " + Path("tandrel.cfg") + "\n").toLocal8Bit()));
    }
    QVERIFY2(!QFile::exists(Path("D/a.txt")), "the switch beside it ran nothing");
    QVERIFY(!QFile::exists(Path("tandrel.cfg.lock")));
    QVERIFY(!QDir(Path("Log")).exists());
  }

  void failedRunEndsWithTwoAndItsFailuresOnStandardError() {
    // A job that cannot run and a copy refused by a directory in its place;
    // extended logging off, so the copy's line is in no log but reaches cron.
    QDir(folder_->dir()).mkpath("D/sub/b.txt");
    WriteConfig(true, false);
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome outcome = Run(program, {"/SYNC"});
    QVERIFY(outcome.finished);
    QCOMPARE(outcome.code, 2);
    QCOMPARE(outcome.errors, "File ... .C.. code 13 " + Path("S/sub/b.txt").toLocal8Bit() + " -> " +
                                 Path("D/sub/b.txt").toLocal8Bit() +
                                 "\nSource directory does not exist for job \"Missing\"\n");
    QCOMPARE(ReadBytes(Path("D/a.txt")), QByteArray("alpha"));  // the rest ran
    QVERIFY(ReadBytes(Path("Log/Tandrel.log"))
                .endsWith("Source directory does not exist for job \"Missing\"\r\n"));
  }

  void aBusyConfigurationEndsWithThreeAndTouchesNothing() {
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    // Another process holds the run lock, as a running run would.
    QProcess holder;
    QVERIFY(HoldRunLock(holder));

    const Outcome busy = Run(program, {"/SYNC"});
    QVERIFY(busy.finished);
    QCOMPARE(busy.code, 3);
    QCOMPARE(busy.errors, QByteArray("Another run of this configuration is in progress\n"));
    QVERIFY(!QFile::exists(Path("D/a.txt")));
    QVERIFY(!QDir(Path("Log")).exists());

    holder.kill();
    holder.waitForFinished();
    const Outcome after = Run(program, {"/SYNC"});
    QCOMPARE(after.code, 0);
    QCOMPARE(after.errors, QByteArray());
    QCOMPARE(ReadBytes(Path("D/a.txt")), QByteArray("alpha"));
  }

  void aRunLockOthersMayHoldEndsWithOneAndSaysWhy_data() {
    QTest::addColumn<bool>("otherUser");  // the holder's own lock file; else one left open to others
    QTest::addColumn<QByteArray>("why");
    QTest::newRow("another user's") << true
                                    << QByteArray(
                                           "belongs to another user; remove it, or have its owner remove "
                                           "it, to run this configuration");
    QTest::newRow("open to others") << false
                                    << QByteArray(
                                           "is held, but other users can open it; remove it once no run "
                                           "of this configuration is in progress");
  }

  void aRunLockOthersMayHoldEndsWithOneAndSaysWhy() {
    QFETCH(bool, otherUser);
    QFETCH(QByteArray, why);
    if (otherUser && !tandrel::test::Privileged()) QSKIP("only root can start a process as another user");
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    if (otherUser) {
      // Anybody who may write the folder can make the lock file.
      QCOMPARE(::chmod(folder_->dir().toLocal8Bit().constData(), 0777), 0);
    } else {
      WriteBytes(Path("tandrel.cfg.lock"), "");
      QFile::setPermissions(Path("tandrel.cfg.lock"),
                            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }
    const QStringList as =
        otherUser ? QStringList{"setpriv", "--reuid=nobody", "--clear-groups"} : QStringList();
    QProcess holder;
    QVERIFY(HoldRunLock(holder, as));
    const Outcome run = Run(program, {"/SYNC"});
    const Outcome preview = Run(program, {"--preview"});
    holder.kill();
    holder.waitForFinished();
    const QByteArray line = "The run lock \"" + Path("tandrel.cfg.lock").toLocal8Bit() + "\" " + why + "\n";
    QCOMPARE(run.code, 1);
    QCOMPARE(run.errors, line);
    QCOMPARE(preview.code, 1);
    QCOMPARE(preview.errors, line);
    QVERIFY(!QFile::exists(Path("D/a.txt")));
    QVERIFY(!QDir(Path("Log")).exists());
  }

  // The lines of a preview's output or of a log file, without the start
  // line (its time differs) and line ends made alike.
  static QList<QByteArray> RunLines(QByteArray text) {
    text.replace("\r\n", "\n");
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    if (!lines.isEmpty() && lines.first().startsWith("Synchronisation started at: ")) lines.removeFirst();
    return lines;
  }

  void previewPrintsWhatTheRunThenDoesAndChangesNothing() {
    // A job that cannot run, a copy refused by a folder in its place (which
    // the cleanup then removes), a new file and a stale one; the log
    // settings ask for a short log file.
    QDir(folder_->dir()).mkpath("D/sub/b.txt");
    WriteBytes(Path("D/stale.txt"), "gone from the source");
    const auto config = [this](const QByteArray& extendedLog) {
      folder_->Write("[Active Jobs]\n0=Docs\n1=Missing\n\n[Docs]\nSource=" + Path("S").toUtf8() +
                     "\nDestination=" + Path("D").toUtf8() +
                     "\nFileMask=*.*\nInclude SubDirs=1\nCleanup Destination=1\n\n[Missing]\nSource=" +
                     Path("nowhere").toUtf8() + "\nDestination=" + Path("D").toUtf8() +
                     "\n\n[Log]\nLogFile=1\nExtendedLog=" + extendedLog + "\n");
    };
    config("0");
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const QStringList before =
        QDir(folder_->dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    // A display that does not exist: a window would end the program.
    const Outcome preview = Run(program, {"--preview"}, {{"DISPLAY", ":9999"}});
    QVERIFY(preview.finished);
    QCOMPARE(preview.code, 2);
    QCOMPARE(preview.errors, QByteArray());
    QList<QByteArray> previewed = RunLines(preview.output);
    QVERIFY(!previewed.isEmpty());
    QCOMPARE(previewed.takeLast(), QByteArray("Preview: 1 files would be copied, 0 source files deleted, "
                                              "1 destination files deleted, 1 folders removed"));
    // The file the cleanup would delete is named; the run's log does not name it.
    QVERIFY(previewed.removeOne("Would delete file \"" + Path("D/stale.txt").toUtf8() + "\""));
    QVERIFY(!QFile::exists(Path("D/a.txt")));
    QCOMPARE(ReadBytes(Path("D/stale.txt")), QByteArray("gone from the source"));
    QCOMPARE(QDir(folder_->dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);

    // The run itself, with every file line in its log, does just that.
    config("1");
    const Outcome run = Run(program, {"/SYNC"});
    QCOMPARE(run.code, 2);
    QCOMPARE(RunLines(ReadBytes(Path("Log/Tandrel.log"))), previewed);
    QCOMPARE(ReadBytes(Path("D/a.txt")), QByteArray("alpha"));
    QVERIFY(!QFile::exists(Path("D/stale.txt")));

    // While another run holds the configuration the preview says so.
    QProcess holder;
    QVERIFY(HoldRunLock(holder));
    const Outcome busy = Run(program, {"--preview"});
    holder.kill();
    holder.waitForFinished();
    QCOMPARE(busy.code, 3);
    QCOMPARE(busy.output, QByteArray("Another run of this configuration is in progress\n"));
  }

  void aMissingOrUnreadableConfigurationRunsNothing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    // 21: a folder in its place, 13: mode 000, 2: none at all, 0: a file without active jobs
    QTest::addColumn<int>("code");
    for (const int code : {21, 13, 2, 0}) {
      QTest::addRow("/SYNC, %d", code) << QStringList{"/SYNC"} << false << code;
      QTest::addRow("/SYNC with a screen, %d", code) << QStringList{"/SYNC"} << true << code;
      QTest::addRow("--preview, %d", code) << QStringList{"--preview"} << false << code;
    }
  }

  void aMissingOrUnreadableConfigurationRunsNothing() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, code);
    const QString config = Path("tandrel.cfg");
    if (code == 2) {
      QVERIFY(QFile::remove(config));
    } else if (code == 0) {
      folder_->Write("[Active Jobs]\n[NonActive Jobs]\n0=Docs\n");
    } else if (code == 21) {
      QVERIFY(QFile::remove(config) && QDir().mkdir(config));
    } else if (tandrel::test::Privileged()) {
      QSKIP("root reads any file");
    } else {
      QVERIFY(QFile::setPermissions(config, {}));
    }
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome outcome = Run(program, arguments,
                                display ? QList<QPair<QString, QString>>{{"QT_QPA_PLATFORM", "offscreen"}}
                                        : QList<QPair<QString, QString>>{});
    // A missing file, or one without active jobs, holds no jobs: no error,
    // but said, since a mistyped path would otherwise pass for a clean run.
    QCOMPARE(outcome.code, code == 2 || code == 0 ? 0 : 1);
    QCOMPARE(outcome.errors,
             code == 2   ? "No configuration file at " + config.toLocal8Bit() + ": nothing to do\n"
             : code == 0 ? "No active jobs in " + config.toLocal8Bit() + ": nothing to do\n"
                         : "The configuration file \"" + config.toLocal8Bit() +
                               "\" could not be read, errorcode: " + QByteArray::number(code) + "\n");
    QVERIFY2(!outcome.output.contains("Preview: "), outcome.output.constData());
    QVERIFY(!QFile::exists(Path("D/a.txt")));
    QVERIFY(!QDir(Path("Log")).exists());
  }

  // A FIFO or a folder where the program expects a file of its own is
  // refused at once, never opened so that the run waits on it for ever.
  void anOddFileInPlaceOfTheProgramsOwnHoldsNothingUp_data() {
    QTest::addColumn<QString>("place");
    QTest::addColumn<bool>("fifo");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("errors");  // found in standard error; empty for nothing at all
    for (const bool fifo : {true, false}) {
      const char* kind = fifo ? "FIFO" : "folder";
      QTest::addRow("configuration, %s", kind)
          << "tandrel.cfg" << fifo << 1 << "could not be read, errorcode: " + QByteArray(fifo ? "22" : "21");
      QTest::addRow("log file, %s", kind) << "Log/Tandrel.log" << fifo << 2 << QByteArray("The log file in ");
      QTest::addRow("run lock, %s", kind) << "tandrel.cfg.lock" << fifo << 0 << QByteArray();
    }
  }

  void anOddFileInPlaceOfTheProgramsOwnHoldsNothingUp() {
    QFETCH(QString, place);
    QFETCH(bool, fifo);
    QFETCH(int, code);
    QFETCH(QByteArray, errors);
    // Appending opens a log file for writing alone, which waits for a reader on a FIFO.
    WriteBytes(Path("tandrel.cfg"), ReadBytes(Path("tandrel.cfg")).toStdString() + "AppendLog=1\n");
    QFile::remove(Path(place));
    QDir(folder_->dir()).mkpath("Log");
    QVERIFY(fifo ? ::mkfifo(Path(place).toLocal8Bit().constData(), 0600) == 0 : QDir().mkdir(Path(place)));
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome outcome = Run(program, {"/SYNC"});
    QVERIFY2(outcome.finished, "the run waits on the odd file");
    QCOMPARE(outcome.code, code);
    QVERIFY2(errors.isEmpty() ? outcome.errors.isEmpty() : outcome.errors.contains(errors),
             outcome.errors.constData());
    QCOMPARE(QFile::exists(Path("D/a.txt")), code != 1);
  }

  void withoutTheSwitchTheProgramStaysResidentWhereItCanBeSeen() {
    const QString program = Install(TANDREL_QUICK_SPLASH_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome unseen = Run(program, {"-SYNC"});
    QCOMPARE(unseen.code, 1);
    QCOMPARE(unseen.errors,
             QByteArray("No display: the window cannot be shown (use /SYNC for an unattended run)\n"));

    QProcess process;
    QProcessEnvironment environment = CronEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    process.start(program, {"-SYNC"});
    QVERIFY(process.waitForStarted());
    QByteArray errors;
    while (!errors.contains("message loop\n") && process.waitForReadyRead(30000))
      errors += process.readAllStandardError();
    QVERIFY2(errors.contains("message loop\n"), errors.constData());
    // Still running when stopped from outside, not ended by itself.
    process.kill();
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QVERIFY(!QFile::exists(Path("D/a.txt")));

    // A display that is named but gone (a stale value in a cron or ssh
    // session): refused alike, while /SYNC runs without it.
    const Outcome stale = Run(program, {"-SYNC"}, {{"DISPLAY", ":9999"}});
    QCOMPARE(stale.code, 1);
    QCOMPARE(stale.errors, unseen.errors);
    const Outcome run = Run(program, {"/SYNC"}, {{"DISPLAY", ":9999"}});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.errors, QByteArray());
    QCOMPARE(ReadBytes(Path("D/a.txt")), QByteArray("alpha"));
  }

  void startUpErrorEndsWithOneAndItsMessage() {
    const QString program = Install(TANDREL_FAILING_EXECUTABLE);
    QVERIFY(!program.isEmpty());
    const Outcome outcome = Run(program, {"/SYNC"});
    QVERIFY(outcome.finished);
    QCOMPARE(outcome.status, QProcess::NormalExit);
    QCOMPARE(outcome.code, 1);
    QVERIFY2(outcome.errors.contains("Kolvane Tandrel: Start-up step failed.\n"), outcome.errors.constData());
    QVERIFY(!QFile::exists(Path("Log/Tandrel.log")));
  }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "program_test.moc"
