#pragma once
// Helpers for the dialog tests: controls found by name, the captions of a
// window, and mouse actions on list entries; and what all Qt tests share.

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <initializer_list>
#include <utility>

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

// Each label stands on its field's line: their middles at most a pixel apart.
inline void VerifyLabelsOnFields(const QWidget* window,
                                 std::initializer_list<std::pair<const char*, const char*>> labelsAndFields) {
  for (const auto& [label, field] : labelsAndFields) {
    const int labelMiddle = FindControl<QWidget>(window, label)->geometry().center().y();
    const int fieldMiddle = FindControl<QWidget>(window, field)->geometry().center().y();
    QVERIFY2(std::abs(labelMiddle - fieldMiddle) <= 1, label);
  }
}

// Every control in a group box keeps a few pixels from the box's frame on
// either side.
inline void VerifyControlsClearOfFrames(const QWidget* window) {
  constexpr int kRoom = 4;
  for (const QGroupBox* box : window->findChildren<QGroupBox*>()) {
    const QRect inside = box->contentsRect().adjusted(kRoom, 0, -kRoom, 0);
    for (const QWidget* control : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QVERIFY2(control->geometry().left() >= inside.left() && control->geometry().right() <= inside.right(),
               qPrintable(control->objectName()));
    }
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
