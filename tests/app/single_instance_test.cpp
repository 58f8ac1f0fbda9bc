// Where a resident copy and later starts meet: only in a folder of their
// user's alone, and neither side heeds a peer of another user. That user is
// real (root starts it); the folders are real folders in a temporary one.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/meeting_folder.h"
#include "app/single_instance.h"
#include "platform/posix/unique_fd.h"
#include "qtsupport/qt_test_support.h"
#include "testsupport/other_user.h"
#include "ui/start_up.h"

using tandrel::MeetingPlaces;
using tandrel::SingleInstance;
using tandrel::platform::posix::UniqueFd;
using tandrel::test::TempConfig;

namespace {

// A local socket at `path`, connected, or bound and never waiting to accept.
UniqueFd LocalSocket(const std::string& path, bool bind) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (bind ? SOCK_NONBLOCK : 0), 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  if ((bind ? ::bind(fd.get(), at, sizeof address) : ::connect(fd.get(), at, sizeof address)) != 0)
    fd.reset();
  return fd;
}

// A variable's value; null when it is unset.
QByteArray Variable(const char* name) {
  return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> folder_;
  // The environment as the tests began, put back after each one.
  const QByteArray tmpdir_ = Variable("TMPDIR"), runtime_ = Variable("XDG_RUNTIME_DIR");
  // The other user's ids ("nobody"); 0 when there is none.
  uid_t otherUid_ = 0;
  gid_t otherGid_ = 0;

  QString Path(const QString& relative) const { return folder_->Path(relative); }
  std::string Folder(const QString& name) const {
    QDir(folder_->dir()).mkpath(name);
    return Path(name).toStdString();
  }

 private slots:
  void initTestCase() {
    if (const struct passwd* other = ::getpwnam("nobody")) {
      otherUid_ = other->pw_uid;
      otherGid_ = other->pw_gid;
    }
  }
  void init() {
    folder_ = std::make_unique<TempConfig>();
    QVERIFY(folder_->isValid());
    ::chmod(folder_->dir().toLocal8Bit().constData(), 0755);
  }
  void cleanup() {
    folder_.reset();
    for (const auto& [name, value] : {std::pair{"TMPDIR", tmpdir_}, std::pair{"XDG_RUNTIME_DIR", runtime_}}) {
      value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
  }

  void onlyAFolderOfThisUsersAloneIsAMeetingPlace_data() {
    QTest::addColumn<QString>("runtime");  // what stands at the runtime folder's place
    QTest::addColumn<bool>("runtimeMeets");
    QTest::addColumn<bool>("homeMeets");
    QTest::newRow("runtime folder") << "0700" << true << true;
    QTest::newRow("no runtime folder") << "" << false << true;
    QTest::newRow("runtime folder that others may write") << "0777" << false << true;
    QTest::newRow("link to a runtime folder") << "link" << false << true;
    QTest::newRow("another user's runtime folder") << "theirs" << false << true;
    QTest::newRow("another user's folder in the home folder") << "" << false << false;
  }

  void onlyAFolderOfThisUsersAloneIsAMeetingPlace() {
    QFETCH(QString, runtime);
    QFETCH(bool, runtimeMeets);
    QFETCH(bool, homeMeets);
    const MeetingPlaces places{Path("run/1000").toStdString(), Folder("home")};
    const std::string resident = places.home + "/.local/state/tandrel/resident";
    const bool theirs = runtime == "theirs" || !homeMeets;
    if (theirs && (!tandrel::test::Privileged() || otherUid_ == 0))
      QSKIP("only root can make a folder of another user");
    if (runtime == "link") {
      Folder("run");
      QCOMPARE(::symlink(Folder("real").c_str(), places.runtime.c_str()), 0);
    } else if (!runtime.isEmpty()) {
      Folder("run/1000");
      ::chmod(places.runtime.c_str(), runtime == "0777" ? 0777 : 0700);
    }
    if (runtime == "theirs") QCOMPARE(::chown(places.runtime.c_str(), otherUid_, otherGid_), 0);
    if (!homeMeets) {
      QDir().mkpath(QString::fromStdString(resident));
      QCOMPARE(::chown(resident.c_str(), otherUid_, otherGid_), 0);
    }

    const mode_t umask = ::umask(0277);  // takes away more than the folder may lose
    const std::vector<std::string> folders = tandrel::MeetingFolders(places, true);
    ::umask(umask);
    std::vector<std::string> expected;
    if (runtimeMeets) expected.push_back(places.runtime);
    if (homeMeets) expected.push_back(resident);
    QCOMPARE(folders, expected);
    if (homeMeets) QCOMPARE(tandrel::test::FileMode(resident), 0700u);
  }

  void anotherUsersListenerIsNotBelieved_data() {
    QTest::addColumn<bool>("oldPlace");
    // The temporary folder, where a start without a runtime folder used to
    // look; another user who makes the runtime folder's stand-in there first
    // keeps it from being used.
    QTest::newRow("where starts used to look") << true;
    QTest::newRow("in this user's folder") << false;
  }

  void anotherUsersListenerIsNotBelieved() {
    QFETCH(bool, oldPlace);
    if (!tandrel::test::Privileged() || otherUid_ == 0)
      QSKIP("only root can start a process as another user");
    const std::string config = Path("tandrel.cfg").toStdString();
    const std::string folder = Folder("meet");
    const std::string socket = folder + "/" + tandrel::ui::ResidentName(config);
    if (oldPlace) {
      QCOMPARE(::chown(Folder("meet/runtime-root").c_str(), otherUid_, otherGid_), 0);
      qputenv("TMPDIR", QByteArray::fromStdString(folder));
      qunsetenv("XDG_RUNTIME_DIR");
    }
    // Bound as root in this user's folder, listening as the other user.
    int ready[2], done[2];
    QVERIFY(::pipe(ready) == 0 && ::pipe(done) == 0);
    UniqueFd listener;
    const pid_t child = tandrel::test::StartAsOtherUser(
        [&] {
          if (::listen(listener.get(), 4) != 0 || ::write(ready[1], "r", 1) != 1) return 2;
          char byte;
          ::close(done[1]);
          while (::read(done[0], &byte, 1) > 0) {
          }
          // Whoever asked has finished: a knock is queued by now.
          const UniqueFd asked(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
          char heard[16] = {};
          const bool heardShow = asked.valid() && ::read(asked.get(), heard, sizeof heard - 1) > 0 &&
                                 std::string(heard).find("show") != std::string::npos;
          return heardShow ? 1 : 0;
        },
        [&] { listener = LocalSocket(socket, true); });
    ::close(ready[1]);
    ::close(done[0]);
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
    const MeetingPlaces places = oldPlace ? tandrel::UsersMeetingPlaces() : MeetingPlaces{folder, {}};
    const bool answered = SingleInstance(config, places).AskResidentToShow();
    ::close(done[1]);
    ::close(ready[0]);
    QCOMPARE(tandrel::test::WaitForOtherUser(child), 0);  // it heard no "show"
    QVERIFY(!answered);
  }

  void anotherUsersKnockIsNotObeyed() {
    if (!tandrel::test::Privileged() || otherUid_ == 0)
      QSKIP("only root can start a process as another user");
    const std::string config = Path("tandrel.cfg").toStdString();
    const MeetingPlaces places{Folder("meet"), {}};
    SingleInstance resident(config, places);
    int shows = 0;
    QVERIFY(resident.BecomeResident([&shows] { ++shows; }));
    // As if anybody could reach it.
    const std::string socket = resident.SocketPath().toStdString();
    QCOMPARE(::chmod(socket.c_str(), 0777), 0);
    const pid_t child = tandrel::test::StartAsOtherUser([&] {
      const UniqueFd knock = LocalSocket(socket, false);
      char byte;
      // Sent, then shut out: the resident copy closes the connection unread.
      return knock.valid() && ::write(knock.get(), "show\n", 5) == 5 && ::read(knock.get(), &byte, 1) <= 0
                 ? 0
                 : 1;
    });
    int status = 0;
    const bool ended = QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; });
    if (!ended) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
    }
    QVERIFY(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(shows, 0);
    // This user's own knock is heard.
    QVERIFY(SingleInstance(config, places).AskResidentToShow());
    QVERIFY(QTest::qWaitFor([&] { return shows == 1; }));
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
