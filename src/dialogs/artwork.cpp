#include "dialogs/artwork.h"

#include <QFont>

namespace tandrel::ui {
namespace {

QColor ToColour(Argb pixel) { return QColor(RedOf(pixel), GreenOf(pixel), BlueOf(pixel), AlphaOf(pixel)); }

}  // namespace

QImage ToImage(const Bitmap& bitmap) {
  // The same layout: the pixels are copied as they are.
  return QImage(reinterpret_cast<const uchar*>(bitmap.pixels.data()), bitmap.width, bitmap.height,
                bitmap.width * 4, QImage::Format_ARGB32)
      .copy();
}

QIcon GlyphIcon(Glyph glyph) {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(ToImage(DrawGlyph(glyph))), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(ToImage(DrawDisabledGlyph(glyph))), QIcon::Disabled);
  return icon;
}

QPixmap ProductPicture(int size) { return QPixmap::fromImage(ToImage(DrawProductPicture(size))); }

QIcon ProductIcon() {
  QIcon icon;
  icon.addPixmap(ProductPicture(32));
  icon.addPixmap(ProductPicture(16));
  return icon;
}

void PaintProductPicture(QPainter& p, double size) {
  // Drawn large and scaled down, so that it stays sharp at any size.
  constexpr int kLarge = 256;
  p.save();
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRectF(0, 0, size, size), ToImage(DrawProductPicture(kLarge)));
  p.restore();
}

QPixmap AboutBackground() {
  QPixmap pm = QPixmap::fromImage(ToImage(DrawAboutBackground()));
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const AboutTitle& title = kAboutTitle;
  QFont font("Serif");
  font.setStyleHint(QFont::Serif);
  font.setPixelSize(title.pixelSize);
  font.setBold(true);
  font.setItalic(true);
  p.setFont(font);
  const QRectF box(title.left, title.top, title.width, title.height);
  p.setPen(ToColour(title.shadow));
  p.drawText(box.translated(title.shadowDx, title.shadowDy), Qt::AlignCenter, title.text);
  p.setPen(ToColour(title.colour));
  p.drawText(box, Qt::AlignCenter, title.text);
  return pm;
}

}  // namespace tandrel::ui
