#pragma once
// What the Qt tests of the application and of the dialogs share: a program
// folder with its configuration file, files written and read byte for byte,
// the test clock's times and timers whose time passes at once.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <ctime>
#include <string>

#include "testsupport/temp_dir.h"

class QTimer;

namespace tandrel::test {

// Centring is exact for the frame, which the window system adds around the
// window only once it is shown.
inline constexpr int kFrameSlack = 6;

// A fresh temporary program folder: the executable name "tandrel" and its
// configuration file "tandrel.cfg" beside it.
class TempConfig {
 public:
  TempConfig();
  bool isValid() const { return dir_.isValid(); }

  const std::string& path() const { return path_; }
  QString qpath() const { return QString::fromStdString(path_); }
  // The executable beside which the configuration file lives.
  std::string program() const { return dir_.filePath(QStringLiteral("tandrel")).toStdString(); }
  QString dir() const { return dir_.path(); }
  // A path inside the folder.
  QString Path(const QString& relative) const { return dir_.filePath(relative); }

  // Writes the configuration file: the lines joined with CR LF, as the
  // program writes them.
  void Write(const QByteArray& lines) const;
  // The file's lines without line ends and blank lines; empty when missing.
  QList<QByteArray> Lines() const;
  QByteArray Bytes() const;
  void MakeReadOnly() const;

 private:
  QTemporaryDir dir_;
  std::string path_;
};

// Writes the file byte for byte, replacing it.
void WriteBytes(const QString& path, const std::string& bytes);
// The file's content; empty when it cannot be read.
QByteArray ReadBytes(const QString& path);

// The test clock's day, 10 March 2026, at the given local time.
std::time_t LocalTime(int hour, int minute, int second);

// Lets the time of a running timer pass at once: it fires at the next turn
// of the event loop, as if its interval had run out.
void ElapseNow(QTimer* timer);

}  // namespace tandrel::test
