#include "app/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <utility>

#include "platform/resident.h"
#include "ui/start_up.h"

namespace tandrel {
namespace {

constexpr char kShow[] = "show\n";
constexpr int kAnswerMs = 2000;

}  // namespace

SingleInstance::SingleInstance(const std::string& configPath, platform::MeetingPlaces places, QObject* parent)
    : QObject(parent), name_(ui::ResidentName(configPath)), places_(std::move(places)) {}

SingleInstance::~SingleInstance() = default;

std::vector<QString> SingleInstance::SocketPaths(bool make) const {
  std::vector<QString> paths;
  for (const std::string& folder : platform::MeetingFolders(places_, make)) {
    const std::string path = folder + "/" + name_;
    if (path.size() <= platform::LongestSocketPath()) paths.push_back(QString::fromStdString(path));
  }
  return paths;
}

bool SingleInstance::AskResidentToShow() const {
  for (const QString& path : SocketPaths(false)) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kAnswerMs) || !platform::PeerIsThisUser(socket.socketDescriptor())) continue;
    socket.write(kShow);
    if (socket.waitForBytesWritten(kAnswerMs)) return true;
  }
  return false;
}

bool SingleInstance::BecomeResident(std::function<void()> show) {
  const std::vector<QString> paths = SocketPaths(true);
  if (paths.empty()) return false;
  server_ = new QLocalServer(this);
  // A socket left by a copy that was killed answers nobody: it goes. No
  // socket options: the folder decides who may reach it.
  if (!server_->listen(paths.front())) {
    QLocalServer::removeServer(paths.front());
    if (!server_->listen(paths.front())) return false;
  }
  path_ = paths.front();
  connect(server_, &QLocalServer::newConnection, this, [this, show = std::move(show)] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      if (!platform::PeerIsThisUser(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        continue;
      }
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [socket, show] {
        if (socket->readAll().contains("show")) show();
      });
    }
  });
  return true;
}

}  // namespace tandrel
