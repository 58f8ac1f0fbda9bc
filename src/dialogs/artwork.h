#pragma once
// The program's pictures (ui/artwork.h) as Qt images and icons.

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "ui/artwork.h"

namespace tandrel::ui {

QImage ToImage(const Bitmap& bitmap);

// A glyph with its normal and disabled images.
QIcon GlyphIcon(Glyph glyph);

// The product icon at `size` pixels, and with its 32 and 16 pixel images.
QPixmap ProductPicture(int size);
QIcon ProductIcon();
// Paints the product icon into a square of `size` at the painter's origin,
// on any paint device (a pixmap, a vector file).
void PaintProductPicture(QPainter& p, double size);

// The About window's background with its title.
QPixmap AboutBackground();

}  // namespace tandrel::ui
