#pragma once
// One resident copy per configuration: a second start brings the first
// copy's window forward and ends. The copies meet at a local socket named
// after the configuration file, in a folder that only their user can write
// (platform/resident.h); each side believes only a peer of its own user.

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/resident.h"

class QLocalServer;

namespace tandrel {

// Said on standard error by a resident copy that later starts cannot find.
inline constexpr char kNoMeetingFolderLine[] =
    "No folder that only this user can write for the resident copy's socket: later starts will not find "
    "this copy";

class SingleInstance : public QObject {
 public:
  explicit SingleInstance(const std::string& configPath,
                          platform::MeetingPlaces places = platform::UsersMeetingPlaces(),
                          QObject* parent = nullptr);
  ~SingleInstance() override;

  // Asks a resident copy of the same configuration to show itself; true
  // when one of this user's answered.
  bool AskResidentToShow() const;
  // Becomes the resident copy: `show` runs whenever a later start of this
  // user's asks. False where no meeting folder can be had: the copy then
  // runs alone, and later starts do not find it.
  bool BecomeResident(std::function<void()> show);
  // Where this copy listens; empty until it does.
  const QString& SocketPath() const { return path_; }

 private:
  // The sockets a resident copy may listen at, the first one first.
  std::vector<QString> SocketPaths(bool make) const;

  std::string name_;
  platform::MeetingPlaces places_;
  QString path_;
  QLocalServer* server_ = nullptr;
};

}  // namespace tandrel
