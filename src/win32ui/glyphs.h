#pragma once
// The program's pictures (ui/artwork.h) as icons and paintings of the
// native windows. The system draws the greyed form of a glyph on a disabled
// button.

#include <windows.h>

#include "ui/artwork.h"

namespace tandrel::win32 {

using ui::Glyph;

// The glyph as an icon of `size` pixels (16 at 96 DPI); the caller destroys it.
HICON GlyphIcon(Glyph glyph, int size);

// The product icon at `size` pixels, made once for each size and kept for
// the program's life, as a shared icon is.
HICON ProductIcon(int size);

// Paints the About window's background, with its title, into `area`.
void PaintAboutBackground(HDC dc, const RECT& area);

}  // namespace tandrel::win32
