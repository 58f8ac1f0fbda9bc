#pragma once
// The program's own pictures for the native windows, drawn with GDI at run
// time in the sixteen classic colours: the 16-unit glyphs of the buttons and
// the About window's background. The system draws the greyed form of a
// glyph on a disabled button.

#include <windows.h>

namespace tandrel::win32 {

enum class Glyph {
  Sync,
  ConfigGeneral,
  ConfigJobs,
  Ok,
  HomePage,
  Save,
  WasteBin,
  HandLeft,
  HandRight,
  HandUp,
  HandDown,
  Door,
  OpenFolder
};

// The glyph as an icon of `size` pixels (16 at 96 DPI); the caller destroys it.
HICON GlyphIcon(Glyph glyph, int size);

// The product icon of the executable's resources at `size` pixels, or the
// system's application icon where there is none.
HICON ProductIcon(int size);

// Paints the About window's background into `area`.
void PaintAboutBackground(HDC dc, const RECT& area);

}  // namespace tandrel::win32
