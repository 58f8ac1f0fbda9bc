#include "ui/artwork.h"

#include <cmath>
#include <numbers>

namespace tandrel::ui {
namespace {

// The palette: mostly the sixteen classic colours.
constexpr Argb kBlack = Rgba(0, 0, 0);
constexpr Argb kWhite = Rgba(255, 255, 255);
constexpr Argb kYellow = Rgba(255, 255, 0);
constexpr Argb kOlive = Rgba(128, 128, 0);
constexpr Argb kNavy = Rgba(0, 0, 128);
constexpr Argb kBlue = Rgba(0, 0, 255);
constexpr Argb kTeal = Rgba(0, 128, 128);
constexpr Argb kGreen = Rgba(0, 128, 0);
constexpr Argb kLime = Rgba(0, 255, 0);
constexpr Argb kSilver = Rgba(192, 192, 192);
constexpr Argb kOutline = Rgba(0x30, 0x30, 0x30);

constexpr Pen Line(Argb colour, double width = 1) { return {colour, width}; }

// A folder in `box`: the back with its tab, and the front face.
void DrawFolder(Canvas& c, double x, double y, double w, double h) {
  Path back;
  back.Polygon({{x, y + h * 0.1},
                {x + w * 0.38, y + h * 0.1},
                {x + w * 0.46, y + h * 0.22},
                {x + w, y + h * 0.22},
                {x + w, y + h},
                {x, y + h}});
  c.Draw(back, kOlive, Line(kBlack));
  Path front;
  front.Rectangle(x, y + h * 0.36, w, h * 0.64);
  c.Draw(front, kYellow, Line(kBlack));
}

// An arc around `centre` from `start` over `span` degrees (counter-clockwise
// for positive spans) with an arrow head at its end.
void DrawArcArrow(Canvas& c, Point centre, double radius, double start, double span, double width,
                  Argb colour) {
  c.Stroke(Path().Arc(centre, radius, start, span), {colour, width, Pen::Cap::Flat});
  const double end = (start + span) * std::numbers::pi / 180;
  const Point at{centre.x + radius * std::cos(end), centre.y - radius * std::sin(end)};
  const double sign = span >= 0 ? 1 : -1;
  const Point along{-std::sin(end) * sign, -std::cos(end) * sign};  // the direction of travel
  const Point across{-along.y, along.x};
  const double head = width * 1.6;
  c.Fill(Path().Polygon({{at.x + along.x * head, at.y + along.y * head},
                         {at.x + across.x * head, at.y + across.y * head},
                         {at.x - across.x * head, at.y - across.y * head}}),
         colour);
}

// Two arrows chasing each other: the two sides of a synchronisation.
void DrawSync(Canvas& c) {
  DrawArcArrow(c, {8, 8}, 5, 200, 130, 2, kGreen);
  DrawArcArrow(c, {8, 8}, 5, 20, 130, 2, Rgba(0, 0, 192));
}

// The general settings hold the schedule and the log options: a clock.
void DrawConfigGeneral(Canvas& c) {
  c.Draw(Path().Ellipse(1.5, 1.5, 13, 13), kWhite, Line(kBlack));
  for (int i = 0; i < 12; i += 3) {
    const double a = i * std::numbers::pi / 6;
    c.Stroke(Path()
                 .MoveTo({8 + 5.2 * std::sin(a), 8 - 5.2 * std::cos(a)})
                 .LineTo({8 + 6.2 * std::sin(a), 8 - 6.2 * std::cos(a)}),
             Line(Rgba(128, 0, 0), 1.2));
  }
  const Pen hand{kBlack, 1.5, Pen::Cap::Round};
  c.Stroke(Path().MoveTo({8, 8}).LineTo({8, 3.8}), hand);
  c.Stroke(Path().MoveTo({8, 8}).LineTo({11.2, 9.6}), hand);
}

// The jobs: a list sheet with a folder in front of it.
void DrawConfigJobs(Canvas& c) {
  c.Draw(Path().Rectangle(2.5, 0.5, 9, 11), kWhite, Line(kBlack));
  for (double y = 3; y <= 8; y += 2.5) c.Stroke(Path().MoveTo({4.5, y}).LineTo({9.5, y}), Line(kNavy));
  c.Draw(Path().Polygon({{5.5, 8.5}, {9, 8.5}, {10, 9.5}, {15.5, 9.5}, {15.5, 15.5}, {5.5, 15.5}}), kYellow,
         Line(kBlack));
}

// A tick.
void DrawOk(Canvas& c) {
  c.Stroke(Path().MoveTo({2.5, 8.5}).LineTo({6.5, 12.5}).LineTo({13.5, 3.5}),
           {kGreen, 2.6, Pen::Cap::Round, Pen::Join::Round});
}

// A globe: a blue sphere with a meridian and parallels.
void DrawHomePage(Canvas& c) {
  const Path sphere = Path().Ellipse(1.5, 1.5, 13, 13);
  c.Fill(sphere, Paint::Radial({6, 5}, 9, {{0, Rgba(120, 170, 255)}, {1, kNavy}}));
  c.Stroke(sphere, Line(kNavy));
  const Pen grid = Line(Rgba(220, 235, 255), 0.9);
  c.Stroke(Path().Ellipse(5, 1.5, 6, 13), grid);
  c.Stroke(Path().MoveTo({2, 8}).LineTo({14, 8}), grid);
  c.Stroke(Path().MoveTo({3.2, 4.8}).LineTo({12.8, 4.8}), grid);
  c.Stroke(Path().MoveTo({3.2, 11.2}).LineTo({12.8, 11.2}), grid);
}

// A diskette: dark body with a cut corner, metal shutter, white label.
void DrawSave(Canvas& c) {
  const Argb body = Rgba(0x2a, 0x4f, 0xa8);
  c.Draw(Path().Polygon({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}), body,
         Line(Rgba(0x10, 0x20, 0x50)));
  c.Fill(Path().Rectangle(4, 2, 7, 5), Rgba(0xd0, 0xd0, 0xd0));
  c.Fill(Path().Rectangle(8, 3, 2, 3), body);
  c.Fill(Path().Rectangle(3, 9, 10, 5), kWhite);
  const Pen rule = Line(Rgba(0x90, 0x90, 0x90));
  c.Stroke(Path().MoveTo({4.5, 10.5}).LineTo({11.5, 10.5}), rule);
  c.Stroke(Path().MoveTo({4.5, 12.5}).LineTo({11.5, 12.5}), rule);
}

void DrawWasteBin(Canvas& c) {
  c.Stroke(Path().Rectangle(6.5, 1.5, 3, 2), Line(kOutline));                         // the handle
  c.Draw(Path().Rectangle(2.5, 3.5, 11, 2), Rgba(0x9a, 0xa4, 0xb0), Line(kOutline));  // the lid
  c.Draw(Path().Polygon({{3.5, 5.5}, {12.5, 5.5}, {11.5, 14.5}, {4.5, 14.5}}), Rgba(0xc8, 0xd0, 0xd8),
         Line(kOutline));
  for (double x : {6.5, 8.0, 9.5})
    c.Stroke(Path().MoveTo({x, 7.5}).LineTo({x, 12.5}), Line(Rgba(0x60, 0x68, 0x70)));
}

// A hand pointing right, seen from its back: the index finger stretched
// along the top edge, the thumb tucked under it, the other fingers folded.
// The other directions are turned or mirrored copies.
void DrawHandRight(Canvas& c) {
  const Argb skin = Rgba(0xf6, 0xc9, 0x9a);
  const Pen line = Line(Rgba(0x7a, 0x4a, 0x20));
  c.Draw(Path().Rectangle(0.5, 5.5, 3, 9), Rgba(0x40, 0x70, 0xc0), Line(Rgba(0x10, 0x30, 0x70)));  // the cuff
  c.Draw(Path().RoundedRectangle(3.5, 5.5, 7, 9, 2), skin, line);      // the palm, fingers folded
  c.Draw(Path().RoundedRectangle(6.5, 5.5, 9, 3, 1.5), skin, line);    // the index finger
  c.Draw(Path().RoundedRectangle(6.5, 8.5, 5, 2.5, 1.2), skin, line);  // the thumb
  c.Stroke(Path().MoveTo({6.5, 12.5}).LineTo({10, 12.5}), line);       // the folded fingers' crease
}

// A frame, a door opened into the room, and light in the doorway.
void DrawDoor(Canvas& c) {
  c.Draw(Path().Rectangle(4.5, 1.5, 9, 13), Rgba(0xff, 0xf4, 0xb0), Line(kOutline));
  c.Draw(Path().Polygon({{4.5, 1.5}, {10.5, 3.5}, {10.5, 15.5}, {4.5, 14.5}}), Rgba(0x9a, 0x5a, 0x24),
         Line(kOutline));
  c.Fill(Path().Ellipse(8, 8, 2, 2), Rgba(0xf0, 0xc0, 0x20));
  c.Stroke(Path().MoveTo({1.5, 14.5}).LineTo({14.5, 14.5}), Line(kOutline));
}

void DrawOpenFolder(Canvas& c) {
  const Pen edge = Line(Rgba(0x80, 0x60, 0x00));
  c.Draw(Path().Polygon({{1.5, 3.5}, {5.5, 3.5}, {6.5, 4.5}, {12.5, 4.5}, {12.5, 13.5}, {1.5, 13.5}}),
         Rgba(0xd8, 0xa8, 0x20), edge);
  c.Draw(Path().Polygon({{3.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}, {1.5, 13.5}}), Rgba(0xff, 0xd8, 0x50), edge);
}

bool IsToolGlyph(Glyph glyph) {
  switch (glyph) {
    case Glyph::Sync:
    case Glyph::ConfigGeneral:
    case Glyph::ConfigJobs:
    case Glyph::Ok:
    case Glyph::HomePage:
      return true;
    default:
      return false;
  }
}

// The shape in grey with a white edge below and to the right, as disabled
// glyphs traditionally look.
Bitmap Embossed(const Bitmap& normal, int offset) {
  Bitmap out(normal.width, normal.height);
  const auto solid = [&normal](int x, int y) { return x >= 0 && y >= 0 && AlphaOf(normal.At(x, y)) > 96; };
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      if (solid(x, y)) {
        out.At(x, y) = Rgba(128, 128, 128);
      } else if (solid(x - offset, y - offset)) {
        out.At(x, y) = kWhite;
      }
    }
  }
  return out;
}

// Light greys in place of the colours; transparency is kept.
Bitmap Greyed(Bitmap picture) {
  for (Argb& pixel : picture.pixels) {
    if (AlphaOf(pixel) == 0) continue;
    const int grey = 128 + (RedOf(pixel) * 11 + GreenOf(pixel) * 16 + BlueOf(pixel) * 5) / 32 / 2;
    pixel = Rgba(grey, grey, grey, AlphaOf(pixel));
  }
  return picture;
}

}  // namespace

Bitmap DrawGlyph(Glyph glyph, int size) {
  Bitmap bitmap(size, size);
  Canvas c(bitmap);
  // Drawn in 16 units; the hands are one drawing turned about the centre.
  Transform turn;
  turn.Scale(size / 16.0, size / 16.0).Translate(8, 8);
  if (glyph == Glyph::HandLeft) turn.Scale(-1, 1);
  if (glyph == Glyph::HandUp) turn.Rotate(-90);
  if (glyph == Glyph::HandDown) turn.Rotate(90);
  c.SetTransform(turn.Translate(-8, -8));
  switch (glyph) {
    case Glyph::Sync:
      DrawSync(c);
      break;
    case Glyph::ConfigGeneral:
      DrawConfigGeneral(c);
      break;
    case Glyph::ConfigJobs:
      DrawConfigJobs(c);
      break;
    case Glyph::Ok:
      DrawOk(c);
      break;
    case Glyph::HomePage:
      DrawHomePage(c);
      break;
    case Glyph::Save:
      DrawSave(c);
      break;
    case Glyph::WasteBin:
      DrawWasteBin(c);
      break;
    case Glyph::HandLeft:
    case Glyph::HandRight:
    case Glyph::HandUp:
    case Glyph::HandDown:
      DrawHandRight(c);
      break;
    case Glyph::Door:
      DrawDoor(c);
      break;
    case Glyph::OpenFolder:
      DrawOpenFolder(c);
      break;
  }
  return bitmap;
}

Bitmap DrawDisabledGlyph(Glyph glyph, int size) {
  const Bitmap normal = DrawGlyph(glyph, size);
  return IsToolGlyph(glyph) ? Embossed(normal, std::max(1, size / kGlyphSize)) : Greyed(normal);
}

Bitmap DrawProductPicture(int size) {
  Bitmap bitmap(size, size);
  Canvas c(bitmap);
  c.SetTransform(Transform().Scale(size / 32.0, size / 32.0));
  DrawFolder(c, 1.5, 3.5, 29, 26);
  DrawArcArrow(c, {16, 20}, 6.2, 200, 130, 2.8, kNavy);
  DrawArcArrow(c, {16, 20}, 6.2, 20, 130, 2.8, kBlue);
  return bitmap;
}

Bitmap DrawAboutBackground() {
  Bitmap bitmap(kAboutWidth, kAboutHeight);
  Canvas c(bitmap);
  c.Fill(
      Path().Rectangle(0, 0, kAboutWidth, kAboutHeight),
      Paint::Linear({0, 0}, {0, kAboutHeight}, {{0, Rgba(0, 40, 110)}, {0.55, kTeal}, {1, Rgba(0, 70, 70)}}));
  // Faint rings behind the scene.
  for (int i = 0; i < 4; ++i) {
    const double r = 40.0 + i * 28;
    c.Stroke(Path().Ellipse(290 - r, 150 - r, 2 * r, 2 * r), Line(Rgba(255, 255, 255, 22), 10));
  }
  // Two folders and a sheet on its way from one to the other.
  DrawFolder(c, 40, 100, 64, 52);
  DrawFolder(c, 246, 100, 64, 52);
  Pen flight = Line(Rgba(255, 255, 255, 150), 2);
  flight.dash = 4;
  flight.gap = 2;
  c.Stroke(Path().MoveTo({82, 110}).QuadTo({175, 40}, {268, 110}), flight);
  c.SetTransform(Transform().Translate(175, 76).Rotate(-8));
  c.Draw(Path().Rectangle(-11, -14, 22, 28), kWhite, Line(kBlack));
  for (double y = -8; y <= 8; y += 4) c.Stroke(Path().MoveTo({-7, y}).LineTo({7, y}), Line(kSilver, 1.5));
  c.SetTransform({});
  DrawArcArrow(c, {175, 132}, 14, 200, 130, 4, kLime);
  DrawArcArrow(c, {175, 132}, 14, 20, 130, 4, kYellow);
  return bitmap;
}

}  // namespace tandrel::ui
