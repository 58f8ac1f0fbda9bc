#pragma once
// Helpers for the dialog tests: controls found by name, the captions of a
// window, and mouse actions on list entries; and what all Qt tests share.

#include <QCheckBox>
#include <QListWidget>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QWidget>

#include "qtsupport/qt_test_support.h"

namespace tandrel::test {

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
