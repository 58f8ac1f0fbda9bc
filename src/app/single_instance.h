#pragma once
// One resident copy per configuration: a second start brings the first
// copy's window forward and ends. The copies meet at a local socket in the
// user's runtime folder, named after the configuration file.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;

namespace tandrel {

class SingleInstance : public QObject {
 public:
  explicit SingleInstance(const std::string& configPath, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Asks a resident copy of the same configuration to show itself; true
  // when one answered.
  bool AskResidentToShow() const;
  // Becomes the resident copy: `show` runs whenever a later start asks.
  void BecomeResident(std::function<void()> show);
  const QString& SocketPath() const { return path_; }

 private:
  QString path_;
  QLocalServer* server_ = nullptr;
};

}  // namespace tandrel
