#include "dialogs/form_support.h"

#include <qdrawutil.h>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>

namespace tandrel::ui {

QGroupBox* GroupBox(QWidget* parent, const Captioned& box) {
  auto* groupBox = Place(new QGroupBox(QString::fromLatin1(box.caption), parent), box.place);
  UseFormGroupBoxFrame(groupBox);
  return groupBox;
}

QLabel* Label(QWidget* parent, const char* name, const Captioned& label) {
  return Place(new QLabel(QString::fromLatin1(label.caption), parent), name, label.place);
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const Captioned& box) {
  return Place(new QCheckBox(QString::fromLatin1(box.caption), parent), name, box.place);
}

QPushButton* PictureButton(QWidget* parent, const char* name, Glyph glyph, const Captioned& button) {
  auto* pushButton = Place(new QPushButton(GlyphIcon(glyph), QString::fromLatin1(button.caption), parent),
                           name, button.place);
  pushButton->setIconSize(QSize(kGlyphSize, kGlyphSize));
  pushButton->setAutoDefault(false);
  return pushButton;
}

QFont FormFont() {
  static const QString kFamily = QStringLiteral("MS Sans Serif");
  QFont font = QFontDatabase::families().contains(kFamily)
                   ? QFont(kFamily)
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(11);
  return font;
}

int CaptionWidth(const QString& caption) {
  // Icon, minimise, maximise and close, and the frame's edges.
  constexpr int kTitleBarRoom = 4 * 26 + 16;
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(8);
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarRoom;
}

namespace {

// The narrowest the font becomes, as a percentage of its normal width.
constexpr int kNarrowestStretch = 75;

bool CaptionsFit(const QWidget* form) {
  for (const QCheckBox* box : form->findChildren<QCheckBox*>()) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    if (box->fontMetrics().horizontalAdvance(box->text()) > contents.width()) return false;
  }
  for (const QLabel* label : form->findChildren<QLabel*>()) {
    if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width()) return false;
  }
  return true;
}

// Draws a group box as the fixed layouts expect it: the frame from half the
// caption's height down, broken where the caption stands.
class FormGroupBoxStyle : public QProxyStyle {
 public:
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    if (control != CC_GroupBox) return QProxyStyle::subControlRect(control, option, sub, widget);
    const auto* box = static_cast<const QStyleOptionGroupBox*>(option);
    const QFontMetrics metrics = box->fontMetrics;
    const QRect frame = box->rect.adjusted(0, metrics.height() / 2, 0, 0);
    switch (sub) {
      case SC_GroupBoxFrame:
        return frame;
      case SC_GroupBoxContents:
        return frame.adjusted(2, metrics.height() / 2 + 2, -2, -2);
      case SC_GroupBoxLabel:
        return {box->rect.left() + 8, box->rect.top(), metrics.horizontalAdvance(box->text),
                metrics.height()};
      default:
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    if (control != CC_GroupBox) return QProxyStyle::drawComplexControl(control, option, painter, widget);
    const auto* box = static_cast<const QStyleOptionGroupBox*>(option);
    const QRect label = subControlRect(control, option, SC_GroupBoxLabel, widget);
    // An etched line, broken where the caption stands; the application's
    // own group box frame would keep its distance from the caption.
    painter->save();
    if (!box->text.isEmpty()) painter->setClipRegion(QRegion(box->rect) - label.adjusted(-2, 0, 2, 0));
    qDrawShadeRect(painter, subControlRect(control, option, SC_GroupBoxFrame, widget), box->palette, true, 1,
                   0);
    painter->restore();
    if (!box->text.isEmpty()) {
      drawItemText(painter, label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->palette,
                   box->state & State_Enabled, box->text, QPalette::WindowText);
    }
  }
};

}  // namespace

void FitCaptions(QWidget* form) {
  QFont font = form->font();
  for (int stretch = 100; stretch >= kNarrowestStretch && !CaptionsFit(form); --stretch) {
    font.setStretch(stretch);
    form->setFont(font);
  }
}

void UseFormGroupBoxFrame(QWidget* groupBox) {
  // One style object for all boxes, owned by the application so that it
  // outlives every window; the proxy follows the application's style for
  // everything but the places of frame and caption.
  static QPointer<FormGroupBoxStyle> style;
  if (!style) {
    style = new FormGroupBoxStyle;
    style->setParent(QCoreApplication::instance());
  }
  groupBox->setStyle(style);
}

void SetUpConfigurationDialog(QWidget* dialog, const QString& caption) {
  dialog->setWindowTitle(caption);
  dialog->setWindowFlags(kMinimisableDialogFlags);
  BlockOnlyTheMainWindow(dialog);
  dialog->setFont(FormFont());
}

QMenuBar* MenuBarWithClose(QWidget* dialog, QAction*& closeItem) {
  auto* menuBar = new QMenuBar(dialog);
  closeItem = menuBar->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Close"));
  closeItem->setObjectName(QStringLiteral("closeItem"));
  return menuBar;
}

void BlockOnlyTheMainWindow(QWidget* window) {
  window->setWindowModality(window->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
}

namespace {

QMargins FrameMargins(const QWidget* window) {
  const QRect frame = window->frameGeometry(), client = window->geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

}  // namespace

void CentreOnMainWindow(QWidget* window) {
  const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
  const bool overOwner = owner && owner->isVisible();
  QScreen* screen = overOwner ? owner->screen() : window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  const QRect area = overOwner ? owner->frameGeometry() : available;
  // The window's size with its frame: its own frame once it has been shown;
  // before that the owner's, framed alike by the same window manager. Else
  // the first showing would stand lower than every later one.
  QMargins frame = FrameMargins(window);
  if (frame.isNull() && overOwner) {
    frame = FrameMargins(owner);
    // Without the grip a resizable window may have there, the bottom edge
    // is as wide as the sides.
    frame.setBottom(frame.left());
  }
  const QSize size = window->size().grownBy(frame);
  QPoint topLeft = area.center() - QPoint(size.width() / 2, size.height() / 2);
  topLeft.setX(std::max(available.left(), std::min(topLeft.x(), available.right() + 1 - size.width())));
  topLeft.setY(std::max(available.top(), std::min(topLeft.y(), available.bottom() + 1 - size.height())));
  window->move(topLeft);
}

std::string FileText(const QString& text) { return text.toLocal8Bit().toStdString(); }

QString EditorText(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

}  // namespace tandrel::ui
