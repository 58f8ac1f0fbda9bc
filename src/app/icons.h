#pragma once
// The main window's pictures, drawn at run time: the three tool-button
// glyphs, each with its normal and disabled image, and the tray icon.

#include <QIcon>
#include <QPixmap>

namespace tandrel::ui {

enum class Glyph { Sync, ConfigGeneral, ConfigJobs };

// The 16-pixel image of a glyph as drawn, and its greyed, embossed form.
QPixmap GlyphImage(Glyph glyph);
QPixmap DisabledImage(const QPixmap& normal);

// A glyph as an icon with its normal and disabled images.
QIcon GlyphIcon(Glyph glyph);

// The product icon with its 32 and 16 pixel images.
QIcon ProductIcon();

}  // namespace tandrel::ui
