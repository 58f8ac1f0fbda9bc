#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

#include "dialogs/about.h"

namespace tandrel::ui {
namespace {

constexpr int kGlyphSize = 16;

void ArcArrow(QPainter& p, QPointF centre, qreal radius, qreal startDeg, qreal spanDeg,
              const QColor& colour) {
  const qreal width = 2.0;
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), qRound(startDeg * 16),
            qRound(spanDeg * 16));
  const qreal end = (startDeg + spanDeg) * std::numbers::pi / 180.0;
  const QPointF at(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
  const QPointF along(-std::sin(end), -std::cos(end));
  const QPointF across(-along.y(), along.x());
  QPolygonF tip;
  tip << at + along * 3.2 << at + across * 3.2 << at - across * 3.2;
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(tip);
}

void DrawSync(QPainter& p) {
  ArcArrow(p, QPointF(8, 8), 5, 200, 130, QColor(0, 128, 0));
  ArcArrow(p, QPointF(8, 8), 5, 20, 130, QColor(0, 0, 192));
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
  p.setPen(QPen(QColor(0, 0, 128), 1));
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
  p.setBrush(QColor(255, 255, 0));
  p.drawPath(folder);
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

QIcon ProductIcon() {
  QIcon icon;
  icon.addPixmap(ProductPicture(32));
  icon.addPixmap(ProductPicture(16));
  return icon;
}

}  // namespace tandrel::ui
