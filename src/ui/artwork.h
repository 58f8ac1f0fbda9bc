#pragma once
// The program's own pictures, the same in every front end: the glyphs of
// the main window's tool buttons and of the dialogs' buttons, the product
// icon and the About window's background. Each is drawn here into a 32-bit
// picture; the front ends only turn that into their toolkit's image.

#include "ui/canvas.h"

namespace tandrel::ui {

enum class Glyph {
  // The tool buttons' and the About window's glyphs.
  Sync,
  ConfigGeneral,
  ConfigJobs,
  Ok,
  HomePage,
  // The dialogs' buttons.
  Save,
  WasteBin,
  HandLeft,
  HandRight,
  HandUp,
  HandDown,
  Door,
  OpenFolder
};

// The size a glyph is designed at: 16 pixels at 96 DPI.
inline constexpr int kGlyphSize = 16;

// The glyph `size` pixels square.
Bitmap DrawGlyph(Glyph glyph, int size = kGlyphSize);
// Its form on a disabled button: a tool button's glyph grey and embossed, a
// dialog button's picture in light greys.
Bitmap DrawDisabledGlyph(Glyph glyph, int size = kGlyphSize);

// The product icon `size` pixels square (its design is 32 units).
Bitmap DrawProductPicture(int size);

// The About window's background, without its title.
inline constexpr int kAboutWidth = 350;
inline constexpr int kAboutHeight = 224;
Bitmap DrawAboutBackground();

// The title written on that background by the front end in its own fonts:
// centred in its box (in the background's pixels), in a bold italic serif
// face, over its shadow.
struct AboutTitle {
  const char* text;
  int left, top, width, height;
  int pixelSize;
  Argb colour;
  Argb shadow;
  int shadowDx, shadowDy;
};
inline constexpr AboutTitle kAboutTitle{"Tandrel",          0, 152, kAboutWidth, 40, 30, Rgba(255, 255, 0),
                                        Rgba(0, 0, 0, 110), 2, 2};

}  // namespace tandrel::ui
