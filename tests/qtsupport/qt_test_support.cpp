#include "qtsupport/qt_test_support.h"

#include <QFile>
#include <QTest>
#include <QTimer>
#include <fstream>

namespace tandrel::test {

TempConfig::TempConfig() : path_(dir_.filePath(QStringLiteral("tandrel.cfg")).toStdString()) {}

void TempConfig::Write(const QByteArray& lines) const {
  QFile file(qpath());
  QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the configuration file");
  QByteArray text = lines;
  text.replace("\n", "\r\n");
  file.write(text);
}

QList<QByteArray> TempConfig::Lines() const {
  QList<QByteArray> lines;
  for (QByteArray line : Bytes().split('\n')) {
    line = line.trimmed();
    if (!line.isEmpty()) lines.append(line);
  }
  return lines;
}

QByteArray TempConfig::Bytes() const { return ReadBytes(qpath()); }

void TempConfig::MakeReadOnly() const { QFile::setPermissions(qpath(), QFile::ReadOwner | QFile::ReadGroup); }

void WriteBytes(const QString& path, const std::string& bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::time_t LocalTime(int hour, int minute, int second) {
  return LocalTime(2026, 3, 10, hour, minute, second);
}

void ElapseNow(QTimer* timer) {
  QVERIFY2(timer->isActive(), qPrintable(timer->objectName() + " is not running"));
  // A new interval restarts a running timer.
  timer->setInterval(0);
}

}  // namespace tandrel::test
