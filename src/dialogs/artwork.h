#pragma once
// The program's own pictures, drawn at run time: the product icon, the About
// window's background and the 16-pixel glyphs of the main window's tool
// buttons and the About window's buttons. The dialogs' button pictures are
// in dialog_icons.h.

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace tandrel::ui {

enum class Glyph { Sync, ConfigGeneral, ConfigJobs, Ok, HomePage };

// The 16-pixel image of a glyph as drawn, and its greyed, embossed form.
QPixmap GlyphImage(Glyph glyph);
QPixmap DisabledImage(const QPixmap& normal);

// A glyph as an icon with its normal and disabled images.
QIcon GlyphIcon(Glyph glyph);

// The product icon at 32 or 16 pixels (any size draws, those two are tuned).
QPixmap ProductPicture(int size);
// Paints the product icon into a square of `size` at the painter's origin,
// on any paint device (a pixmap, a vector file).
void PaintProductPicture(QPainter& p, double size);

// The product icon with its 32 and 16 pixel images.
QIcon ProductIcon();

// The About window's background picture, 350 by 224 pixels.
QPixmap AboutBackground();

}  // namespace tandrel::ui
