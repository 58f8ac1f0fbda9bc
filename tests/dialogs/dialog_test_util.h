#pragma once
// Helpers for the dialog tests: a configuration file in a fresh temporary
// directory, controls found by name, the captions and tab order of a window,
// and mouse actions on list entries.

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <string>

#include "config/tinifile.h"

namespace tandrel::test {

class TempConfig {
 public:
  TempConfig() : path_(dir_.filePath(QStringLiteral("tandrel.cfg")).toStdString()) {}

  const std::string& path() const { return path_; }
  QString qpath() const { return QString::fromStdString(path_); }
  // The executable beside which the configuration file lives.
  std::string program() const { return dir_.filePath(QStringLiteral("tandrel")).toStdString(); }
  QString dir() const { return dir_.path(); }

  // Lines joined with CR LF, as the program writes them.
  void Write(const QByteArray& lines) const {
    QFile file(qpath());
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the configuration file");
    QByteArray text = lines;
    text.replace("\n", "\r\n");
    file.write(text);
  }
  // The file's lines without line ends and blank lines; empty when missing.
  QList<QByteArray> Lines() const {
    QFile file(qpath());
    QList<QByteArray> lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (QByteArray line : file.readAll().split('\n')) {
      line = line.trimmed();
      if (!line.isEmpty()) lines.append(line);
    }
    return lines;
  }
  QByteArray Bytes() const {
    QFile file(qpath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void MakeReadOnly() const { QFile::setPermissions(qpath(), QFile::ReadOwner | QFile::ReadGroup); }

 private:
  QTemporaryDir dir_;
  std::string path_;
};

// The control of that type and object name in a window; a missing one stops
// the test program, as every later step would fail for the same reason.
template <typename T>
T* FindControl(const QWidget* window, const char* name) {
  T* child = window->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) qFatal("no control %s", name);
  return child;
}

// Every check box caption is readable in full in its fixed-size control.
inline void VerifyCaptionsFit(const QWidget* window) {
  for (QCheckBox* box : window->findChildren<QCheckBox*>()) {
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect text = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= text.width(), qPrintable(box->text()));
  }
}

// The object names of the first `count` controls that take the focus, in tab
// order from `first`.
inline QStringList TabOrder(QWidget* first, int count) {
  QStringList order;
  QWidget* widget = first;
  for (int i = 0; i < count; ++i, widget = widget->nextInFocusChain()) {
    while (widget->focusPolicy() == Qt::NoFocus) widget = widget->nextInFocusChain();
    order << widget->objectName();
  }
  return order;
}

inline QPoint EntryCentre(QListWidget* box, int row) { return box->visualItemRect(box->item(row)).center(); }

inline void ClickEntry(QListWidget* box, int row) {
  QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, EntryCentre(box, row));
}

inline void DoubleClickEntry(QListWidget* box, int row) {
  const QPoint at = EntryCentre(box, row);
  QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
}

inline QStringList Entries(const QListWidget* box) {
  QStringList entries;
  for (int i = 0; i < box->count(); ++i) entries << box->item(i)->text();
  return entries;
}

}  // namespace tandrel::test
