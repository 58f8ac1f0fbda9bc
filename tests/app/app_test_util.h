#pragma once
// Helpers for the application shell tests: files written and read byte for
// byte, and the tolerance for centred windows.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <fstream>
#include <string>

namespace tandrel::test {

// Centring is exact for the frame, which the window system adds around the
// window only once it is shown.
inline constexpr int kFrameSlack = 6;

inline void WriteBytes(const QString& path, const std::string& bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The file's content; empty when it cannot be read.
inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace tandrel::test
