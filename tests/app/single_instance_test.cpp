// Where a resident copy and later starts meet: only in a folder of their
// user's alone, and neither side heeds a peer of another user. That user is
// real (root starts it); the folders are real folders in a temporary one.

#include <QDir>
#include <QTest>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/single_instance.h"
#include "platform/posix/unique_fd.h"
#include "platform/resident.h"
#include "qtsupport/qt_test_support.h"
#include "testsupport/other_user.h"
#include "ui/start_up.h"

using tandrel::SingleInstance;
using tandrel::platform::MeetingPlaces;
using tandrel::platform::posix::UniqueFd;
using tandrel::test::TempConfig;

namespace {

// A local socket at `path`, connected or bound.
UniqueFd LocalSocket(const std::string& path, bool bind) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  if ((bind ? ::bind(fd.get(), at, sizeof address) : ::connect(fd.get(), at, sizeof address)) != 0)
    fd.reset();
  return fd;
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempConfig> folder_;

  QString Path(const QString& relative) const { return folder_->Path(relative); }
  std::string Folder(const QString& name) const {
    QDir(folder_->dir()).mkpath(name);
    return Path(name).toStdString();
  }

 private slots:
  void init() {
    folder_ = std::make_unique<TempConfig>();
    QVERIFY(folder_->isValid());
    ::chmod(folder_->dir().toLocal8Bit().constData(), 0755);
  }
  void cleanup() { folder_.reset(); }

  void onlyAFolderOfThisUsersAloneIsAMeetingPlace_data() {
    QTest::addColumn<QString>("runtime");  // what stands at the runtime folder's place
    QTest::addColumn<bool>("runtimeMeets");
    QTest::addColumn<bool>("homeMeets");
    QTest::newRow("runtime folder") << "0700" << true << true;
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
    if ((runtime == "theirs" || !homeMeets) && !tandrel::test::Privileged())
      QSKIP("only root can make a folder of another user");
    if (runtime == "link") {
      Folder("run");
      QCOMPARE(::symlink(Folder("real").c_str(), places.runtime.c_str()), 0);
    } else if (!runtime.isEmpty()) {
      ::chmod(Folder("run/1000").c_str(), runtime == "0777" ? 0777 : 0700);
    }
    if (runtime == "theirs") QVERIFY(tandrel::test::GiveToOtherUser(places.runtime));
    if (!homeMeets)
      QVERIFY(QDir().mkpath(QString::fromStdString(resident)) && tandrel::test::GiveToOtherUser(resident));

    const mode_t umask = ::umask(0277);  // takes away more than the folder may lose
    const std::vector<std::string> folders = tandrel::platform::MeetingFolders(places, true);
    ::umask(umask);
    std::vector<std::string> expected;
    if (runtimeMeets) expected.push_back(places.runtime);
    if (homeMeets) expected.push_back(resident);
    QCOMPARE(folders, expected);
    if (homeMeets) QCOMPARE(tandrel::test::FileMode(resident), 0700u);
  }

  void anotherUsersListenerIsNotBelieved() {
    if (!tandrel::test::Privileged()) QSKIP("only root can start a process as another user");
    const std::string config = Path("tandrel.cfg").toStdString();
    const MeetingPlaces places{Folder("meet"), {}};
    const std::string socket = places.runtime + "/" + tandrel::ui::ResidentName(config);
    // Bound as root in this user's folder, listening as the other user, who
    // tells whether the first knock said "show".
    int ready[2];
    QVERIFY(::pipe(ready) == 0);
    UniqueFd listener;
    const pid_t child = tandrel::test::StartAsOtherUser(
        [&] {
          if (::listen(listener.get(), 4) != 0 || ::write(ready[1], "r", 1) != 1) return 2;
          const UniqueFd first(::accept(listener.get(), nullptr, nullptr));
          char heard[16] = {};
          const bool show = ::read(first.get(), heard, sizeof heard - 1) > 0 &&
                            std::string(heard).find("show") != std::string::npos;
          return show ? 1 : 0;
        },
        [&] { listener = LocalSocket(socket, true); });
    ::close(ready[1]);
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
    ::close(ready[0]);
    QVERIFY(!SingleInstance(config, places).AskResidentToShow());
    LocalSocket(socket, false);  // a silent knock, should nobody have knocked
    QCOMPARE(tandrel::test::WaitForOtherUser(child), 0);
  }

  void anotherUsersKnockIsNotObeyed() {
    if (!tandrel::test::Privileged()) QSKIP("only root can start a process as another user");
    const std::string config = Path("tandrel.cfg").toStdString();
    const MeetingPlaces places{Folder("meet"), {}};
    SingleInstance resident(config, places);
    int shows = 0;
    QVERIFY(resident.BecomeResident([&shows] { ++shows; }));
    const std::string socket = resident.SocketPath().toStdString();
    QCOMPARE(::chmod(socket.c_str(), 0777), 0);  // as if anybody could reach it
    const pid_t child = tandrel::test::StartAsOtherUser([&] {
      const UniqueFd knock = LocalSocket(socket, false);
      char byte;
      // Sent, then shut out: the resident copy closes the connection unread.
      return knock.valid() && ::write(knock.get(), "show\n", 5) == 5 && ::read(knock.get(), &byte, 1) <= 0
                 ? 0
                 : 1;
    });
    int status = 0;
    QVERIFY(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(shows, 0);
    // This user's own knock is heard.
    QVERIFY(SingleInstance(config, places).AskResidentToShow());
    QVERIFY(QTest::qWaitFor([&] { return shows == 1; }));
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
