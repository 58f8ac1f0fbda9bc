#include "dialogs/artwork.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace tandrel::ui {
namespace {

constexpr int kGlyphSize = 16;

// The palette of the pictures: the sixteen classic colours.
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kTeal(0, 128, 128);
const QColor kGreen(0, 128, 0);
const QColor kLime(0, 255, 0);
const QColor kSilver(192, 192, 192);

// A folder in a 32-unit square, its front face ending at `bottom`.
void DrawFolder(QPainter& p, const QRectF& box) {
  const qreal x = box.x(), y = box.y(), w = box.width(), h = box.height();
  QPainterPath back;
  back.moveTo(x, y + h * 0.1);
  back.lineTo(x + w * 0.38, y + h * 0.1);
  back.lineTo(x + w * 0.46, y + h * 0.22);
  back.lineTo(x + w, y + h * 0.22);
  back.lineTo(x + w, y + h);
  back.lineTo(x, y + h);
  back.closeSubpath();
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(kOlive);
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(x, y + h * 0.36);
  front.lineTo(x + w, y + h * 0.36);
  front.lineTo(x + w, y + h);
  front.lineTo(x, y + h);
  front.closeSubpath();
  p.setBrush(kYellow);
  p.drawPath(front);
}

// An arc around `centre` from `startDeg` over `spanDeg` (counter-clockwise
// for positive spans, as Qt counts angles) with an arrow head at its end.
void DrawArcArrow(QPainter& p, QPointF centre, qreal radius, qreal startDeg, qreal spanDeg, qreal width,
                  const QColor& colour) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  const QRectF rect(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(rect, qRound(startDeg * 16), qRound(spanDeg * 16));

  const qreal end = (startDeg + spanDeg) * std::numbers::pi / 180.0;
  const QPointF at(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
  const qreal sign = spanDeg >= 0 ? 1.0 : -1.0;
  const QPointF along(-std::sin(end) * sign, -std::cos(end) * sign);  // direction of travel
  const QPointF across(-along.y(), along.x());
  const qreal head = width * 1.6;
  QPolygonF tip;
  tip << at + along * head << at + across * head << at - across * head;
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(tip);
}

// Two arrows chasing each other: the two sides of a synchronisation.
void DrawSync(QPainter& p) {
  DrawArcArrow(p, QPointF(8, 8), 5, 200, 130, 2, kGreen);
  DrawArcArrow(p, QPointF(8, 8), 5, 20, 130, 2, QColor(0, 0, 192));
}

// The general settings hold the schedule and the log options: a clock.
void DrawConfigGeneral(QPainter& p) {
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setPen(QPen(QColor(128, 0, 0), 1.2));
  for (int i = 0; i < 12; i += 3) {
    const qreal a = i * std::numbers::pi / 6;
    p.drawLine(QPointF(8 + 5.2 * std::sin(a), 8 - 5.2 * std::cos(a)),
               QPointF(8 + 6.2 * std::sin(a), 8 - 6.2 * std::cos(a)));
  }
  p.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 8), QPointF(8, 3.8));
  p.drawLine(QPointF(8, 8), QPointF(11.2, 9.6));
}

// The jobs: a list sheet with a folder in front of it.
void DrawConfigJobs(QPainter& p) {
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(2.5, 0.5, 9, 11));
  p.setPen(QPen(kNavy, 1));
  for (qreal y = 3; y <= 8; y += 2.5) p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
  QPainterPath folder;
  folder.moveTo(5.5, 8.5);
  folder.lineTo(9, 8.5);
  folder.lineTo(10, 9.5);
  folder.lineTo(15.5, 9.5);
  folder.lineTo(15.5, 15.5);
  folder.lineTo(5.5, 15.5);
  folder.closeSubpath();
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(kYellow);
  p.drawPath(folder);
}

// A tick.
void DrawOk(QPainter& p) {
  p.setPen(QPen(kGreen, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
}

// A globe: blue sphere with meridian and parallels.
void DrawHomePage(QPainter& p) {
  QRadialGradient sea(QPointF(6, 5), 9);
  sea.setColorAt(0, QColor(120, 170, 255));
  sea.setColorAt(1, kNavy);
  p.setPen(QPen(kNavy, 1));
  p.setBrush(sea);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setPen(QPen(QColor(220, 235, 255), 0.9));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(5, 1.5, 6, 13));
  p.drawLine(QPointF(2, 8), QPointF(14, 8));
  p.drawLine(QPointF(3.2, 4.8), QPointF(12.8, 4.8));
  p.drawLine(QPointF(3.2, 11.2), QPointF(12.8, 11.2));
}

}  // namespace

QPixmap GlyphImage(Glyph glyph) {
  QPixmap pm(kGlyphSize, kGlyphSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (glyph) {
    case Glyph::Sync:
      DrawSync(p);
      break;
    case Glyph::ConfigGeneral:
      DrawConfigGeneral(p);
      break;
    case Glyph::ConfigJobs:
      DrawConfigJobs(p);
      break;
    case Glyph::Ok:
      DrawOk(p);
      break;
    case Glyph::HomePage:
      DrawHomePage(p);
      break;
  }
  return pm;
}

QPixmap DisabledImage(const QPixmap& normal) {
  // The shape in grey with a white edge below and to the right, as disabled
  // glyphs traditionally look.
  const QImage alpha = normal.toImage().convertToFormat(QImage::Format_ARGB32);
  QImage shape(alpha.size(), QImage::Format_ARGB32);
  for (int y = 0; y < alpha.height(); ++y) {
    for (int x = 0; x < alpha.width(); ++x) {
      const int a = qAlpha(alpha.pixel(x, y)) > 96 ? 255 : 0;
      shape.setPixel(x, y, qRgba(0, 0, 0, a));
    }
  }
  QPixmap out(normal.size());
  out.fill(Qt::transparent);
  QPainter p(&out);
  auto tinted = [&shape](const QColor& colour) {
    QImage image = shape;
    QPainter tint(&image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), colour);
    return image;
  };
  p.drawImage(QPoint(1, 1), tinted(Qt::white));
  p.drawImage(QPoint(0, 0), tinted(QColor(128, 128, 128)));
  return out;
}

QIcon GlyphIcon(Glyph glyph) {
  const QPixmap normal = GlyphImage(glyph);
  QIcon icon;
  icon.addPixmap(normal, QIcon::Normal);
  icon.addPixmap(DisabledImage(normal), QIcon::Disabled);
  return icon;
}

void PaintProductPicture(QPainter& p, double size) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  DrawFolder(p, QRectF(1.5, 3.5, 29, 26));
  const QPointF centre(16, 20);
  DrawArcArrow(p, centre, 6.2, 200, 130, 2.8, kNavy);
  DrawArcArrow(p, centre, 6.2, 20, 130, 2.8, kBlue);
  p.restore();
}

QPixmap ProductPicture(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  PaintProductPicture(p, size);
  return pm;
}

QIcon ProductIcon() {
  QIcon icon;
  icon.addPixmap(ProductPicture(32));
  icon.addPixmap(ProductPicture(16));
  return icon;
}

QPixmap AboutBackground() {
  QPixmap pm(350, 224);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 224);
  sky.setColorAt(0.0, QColor(0, 40, 110));
  sky.setColorAt(0.55, kTeal);
  sky.setColorAt(1.0, QColor(0, 70, 70));
  p.fillRect(pm.rect(), sky);

  // Faint rings behind the scene.
  for (int i = 0; i < 4; ++i) {
    p.setPen(QPen(QColor(255, 255, 255, 22), 10));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(290, 150), 40.0 + i * 28, 40.0 + i * 28);
  }

  // Two folders and a sheet on its way from one to the other.
  DrawFolder(p, QRectF(40, 100, 64, 52));
  DrawFolder(p, QRectF(246, 100, 64, 52));
  QPainterPath flight;
  flight.moveTo(82, 110);
  flight.quadTo(175, 40, 268, 110);
  p.setPen(QPen(QColor(255, 255, 255, 150), 2, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawPath(flight);
  p.save();
  p.translate(175, 76);
  p.rotate(-8);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(-11, -14, 22, 28));
  p.setPen(QPen(kSilver, 1.5));
  for (int y = -8; y <= 8; y += 4) p.drawLine(QPointF(-7, y), QPointF(7, y));
  p.restore();
  DrawArcArrow(p, QPointF(175, 132), 14, 200, 130, 4, kLime);
  DrawArcArrow(p, QPointF(175, 132), 14, 20, 130, 4, kYellow);

  QFont title("Serif");
  title.setStyleHint(QFont::Serif);
  title.setPixelSize(30);
  title.setBold(true);
  title.setItalic(true);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 110));
  p.drawText(QRectF(2, 154, 350, 40), Qt::AlignCenter, "Tandrel");
  p.setPen(kYellow);
  p.drawText(QRectF(0, 152, 350, 40), Qt::AlignCenter, "Tandrel");
  return pm;
}

}  // namespace tandrel::ui
