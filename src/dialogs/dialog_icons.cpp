#include "dialogs/dialog_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

namespace tandrel::ui {
namespace {

const QColor kOutline(0x30, 0x30, 0x30);

void DrawSave(QPainter& p) {
  // A diskette: dark body with a cut corner, metal shutter, white label.
  QPainterPath body;
  body.moveTo(1.5, 1.5);
  body.lineTo(12.5, 1.5);
  body.lineTo(14.5, 3.5);
  body.lineTo(14.5, 14.5);
  body.lineTo(1.5, 14.5);
  body.closeSubpath();
  p.setPen(QPen(QColor(0x10, 0x20, 0x50), 1));
  p.setBrush(QColor(0x2a, 0x4f, 0xa8));
  p.drawPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd0, 0xd0, 0xd0));
  p.drawRect(QRectF(4, 2, 7, 5));
  p.setBrush(QColor(0x2a, 0x4f, 0xa8));
  p.drawRect(QRectF(8, 3, 2, 3));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 9, 10, 5));
  p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
  p.drawLine(QPointF(4.5, 10.5), QPointF(11.5, 10.5));
  p.drawLine(QPointF(4.5, 12.5), QPointF(11.5, 12.5));
}

void DrawWasteBin(QPainter& p) {
  p.setPen(QPen(kOutline, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(6.5, 1.5, 3, 2));  // handle
  p.setBrush(QColor(0x9a, 0xa4, 0xb0));
  p.drawRect(QRectF(2.5, 3.5, 11, 2));  // lid
  QPainterPath body;
  body.moveTo(3.5, 5.5);
  body.lineTo(12.5, 5.5);
  body.lineTo(11.5, 14.5);
  body.lineTo(4.5, 14.5);
  body.closeSubpath();
  p.setBrush(QColor(0xc8, 0xd0, 0xd8));
  p.drawPath(body);
  p.setPen(QPen(QColor(0x60, 0x68, 0x70), 1));
  for (double x : {6.5, 8.0, 9.5}) p.drawLine(QPointF(x, 7.5), QPointF(x, 12.5));
}

// A hand pointing right, seen from its back: the index finger stretched
// along the top edge, the thumb tucked under it, the other fingers folded.
// The other directions are turned or mirrored copies.
void DrawHandRight(QPainter& p) {
  const QColor skin(0xf6, 0xc9, 0x9a);
  const QColor line(0x7a, 0x4a, 0x20);
  // Sleeve cuff.
  p.setPen(QPen(QColor(0x10, 0x30, 0x70), 1));
  p.setBrush(QColor(0x40, 0x70, 0xc0));
  p.drawRect(QRectF(0.5, 5.5, 3, 9));
  p.setPen(QPen(line, 1));
  p.setBrush(skin);
  // Palm with the folded fingers.
  p.drawRoundedRect(QRectF(3.5, 5.5, 7, 9), 2, 2);
  // Index finger.
  p.drawRoundedRect(QRectF(6.5, 5.5, 9, 3), 1.5, 1.5);
  // Thumb.
  p.drawRoundedRect(QRectF(6.5, 8.5, 5, 2.5), 1.2, 1.2);
  // Creases of the folded fingers.
  p.drawLine(QPointF(6.5, 12.5), QPointF(10.0, 12.5));
}

void DrawDoor(QPainter& p) {
  // Frame, a door opened into the room, and light in the doorway.
  p.setPen(QPen(kOutline, 1));
  p.setBrush(QColor(0xff, 0xf4, 0xb0));
  p.drawRect(QRectF(4.5, 1.5, 9, 13));
  QPainterPath door;
  door.moveTo(4.5, 1.5);
  door.lineTo(10.5, 3.5);
  door.lineTo(10.5, 15.5);
  door.lineTo(4.5, 14.5);
  door.closeSubpath();
  p.setBrush(QColor(0x9a, 0x5a, 0x24));
  p.drawPath(door);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf0, 0xc0, 0x20));
  p.drawEllipse(QRectF(8, 8, 2, 2));
  p.setPen(QPen(kOutline, 1));
  p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 14.5));
}

void DrawOpenFolder(QPainter& p) {
  const QColor edge(0x80, 0x60, 0x00);
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(5.5, 3.5);
  back.lineTo(6.5, 4.5);
  back.lineTo(12.5, 4.5);
  back.lineTo(12.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.setPen(QPen(edge, 1));
  p.setBrush(QColor(0xd8, 0xa8, 0x20));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(3.5, 7.5);
  front.lineTo(15.5, 7.5);
  front.lineTo(12.5, 13.5);
  front.lineTo(1.5, 13.5);
  front.closeSubpath();
  p.setBrush(QColor(0xff, 0xd8, 0x50));
  p.drawPath(front);
}

QImage DrawNormal(DialogPicture picture) {
  QImage image(kPictureSize, kPictureSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The hands are one drawing turned about the centre.
  QTransform turn;
  turn.translate(kPictureSize / 2.0, kPictureSize / 2.0);
  switch (picture) {
    case DialogPicture::HandLeft:
      turn.scale(-1, 1);
      break;
    case DialogPicture::HandUp:
      turn.rotate(-90);
      break;
    case DialogPicture::HandDown:
      turn.rotate(90);
      break;
    default:
      break;
  }
  turn.translate(-kPictureSize / 2.0, -kPictureSize / 2.0);
  p.setTransform(turn);
  switch (picture) {
    case DialogPicture::Save:
      DrawSave(p);
      break;
    case DialogPicture::WasteBin:
      DrawWasteBin(p);
      break;
    case DialogPicture::HandLeft:
    case DialogPicture::HandRight:
    case DialogPicture::HandUp:
    case DialogPicture::HandDown:
      DrawHandRight(p);
      break;
    case DialogPicture::Door:
      DrawDoor(p);
      break;
    case DialogPicture::OpenFolder:
      DrawOpenFolder(p);
      break;
  }
  return image;
}

// Light greys in place of the colours; transparency is kept.
QImage Greyed(const QImage& normal) {
  QImage image = normal.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(row[x]);
      if (alpha == 0) continue;
      const int grey = 128 + qGray(row[x]) / 2;
      row[x] = qRgba(grey, grey, grey, alpha);
    }
  }
  return image;
}

}  // namespace

QPixmap DrawDialogPicture(DialogPicture picture, bool greyed) {
  const QImage normal = DrawNormal(picture);
  return QPixmap::fromImage(greyed ? Greyed(normal) : normal);
}

QIcon DialogIcon(DialogPicture picture) {
  QIcon icon;
  icon.addPixmap(DrawDialogPicture(picture, false), QIcon::Normal);
  icon.addPixmap(DrawDialogPicture(picture, true), QIcon::Disabled);
  return icon;
}

}  // namespace tandrel::ui
