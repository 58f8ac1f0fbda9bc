#include "app/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <utility>

#include "ui/start_up.h"

namespace tandrel {
namespace {

constexpr char kShow[] = "show\n";
constexpr int kAnswerMs = 2000;

// Where the sockets live: the user's runtime folder, or the temporary
// folder when there is none.
QString SocketFolder() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& configPath, QObject* parent) : QObject(parent) {
  path_ = SocketFolder() + "/" + QString::fromStdString(ui::ResidentName(configPath));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::AskResidentToShow() const {
  QLocalSocket socket;
  socket.connectToServer(path_);
  if (!socket.waitForConnected(kAnswerMs)) return false;
  socket.write(kShow);
  return socket.waitForBytesWritten(kAnswerMs);
}

void SingleInstance::BecomeResident(std::function<void()> show) {
  server_ = new QLocalServer(this);
  // Only this user may knock.
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left by a copy that was killed answers nobody: it goes.
  if (!server_->listen(path_)) {
    QLocalServer::removeServer(path_);
    server_->listen(path_);
  }
  connect(server_, &QLocalServer::newConnection, this, [this, show = std::move(show)] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [socket, show] {
        if (socket->readAll().contains("show")) show();
      });
    }
  });
}

}  // namespace tandrel
