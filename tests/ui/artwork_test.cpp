// The painter and the pictures drawn with it, with no toolkit: coverage at
// the edges, blending, pens and turns; glyphs that are visible, coloured,
// all different and with a disabled form; opaque backgrounds.

#include "ui/artwork.h"

#include <gtest/gtest.h>

#include <vector>

namespace tandrel::ui {
namespace {

TEST(CanvasTest, CoversWhatIsInsideAndShadesTheEdges) {
  struct Row {
    const char* name;
    Path path;
    Pen pen;  // width 0: filled instead
    int x, y;
    int alpha;  // of that pixel, drawn in opaque black
  };
  const Pen none{0, 0};
  const Pen dashed{Rgba(0, 0, 0), 1, Pen::Cap::Flat, Pen::Join::Bevel, 2, 2};
  const std::vector<Row> rows = {
      {"inside a filled square", Path().Rectangle(1, 1, 3, 3), none, 2, 2, 255},
      {"outside it", Path().Rectangle(1, 1, 3, 3), none, 4, 2, 0},
      {"on an edge at half a pixel", Path().Rectangle(1, 1, 2.5, 3), none, 3, 2, 128},
      {"a line along a pixel's middle", Path().MoveTo({0, 2.5}).LineTo({6, 2.5}), Pen{Rgba(0, 0, 0)}, 3, 2,
       255},
      {"beside that line", Path().MoveTo({0, 2.5}).LineTo({6, 2.5}), Pen{Rgba(0, 0, 0)}, 3, 3, 0},
      {"a square cap beyond the end", Path().MoveTo({1, 2.5}).LineTo({3, 2.5}), Pen{Rgba(0, 0, 0), 2}, 3, 2,
       255},
      {"a flat cap ends there", Path().MoveTo({1, 2.5}).LineTo({3, 2.5}),
       Pen{Rgba(0, 0, 0), 2, Pen::Cap::Flat}, 3, 2, 0},
      {"a dash", Path().MoveTo({0, 2.5}).LineTo({6, 2.5}), dashed, 1, 2, 255},
      {"the gap after it", Path().MoveTo({0, 2.5}).LineTo({6, 2.5}), dashed, 2, 2, 0},
  };
  for (const Row& row : rows) {
    Bitmap bitmap(6, 6);
    Canvas canvas(bitmap);
    if (row.pen.width == 0) {
      canvas.Fill(row.path, Rgba(0, 0, 0));
    } else {
      canvas.Stroke(row.path, row.pen);
    }
    EXPECT_NEAR(AlphaOf(bitmap.At(row.x, row.y)), row.alpha, 4) << row.name;
  }
}

TEST(CanvasTest, BlendsOverWhatIsThereAndFollowsTheTransform) {
  Bitmap bitmap(4, 4);
  Canvas canvas(bitmap);
  canvas.Fill(Path().Rectangle(0, 0, 4, 4), Rgba(0, 0, 255));
  canvas.Fill(Path().Rectangle(0, 0, 2, 4), Rgba(255, 0, 0, 128));
  EXPECT_EQ(bitmap.At(0, 0), Rgba(128, 0, 127));
  EXPECT_EQ(bitmap.At(3, 0), Rgba(0, 0, 255));
  // A quarter turn clockwise about the origin brings (1, 0) to (0, 1).
  canvas.SetTransform(Transform().Translate(2, 2).Rotate(90));
  canvas.Fill(Path().Rectangle(0, 0, 2, 1), Rgba(0, 255, 0));
  EXPECT_EQ(bitmap.At(1, 3), Rgba(0, 255, 0));
  EXPECT_EQ(bitmap.At(3, 2), Rgba(0, 0, 255));
}

const Glyph kGlyphs[] = {Glyph::Sync,      Glyph::ConfigGeneral, Glyph::ConfigJobs, Glyph::Ok,
                         Glyph::HomePage,  Glyph::Save,          Glyph::WasteBin,   Glyph::HandLeft,
                         Glyph::HandRight, Glyph::HandUp,        Glyph::HandDown,   Glyph::Door,
                         Glyph::OpenFolder};

TEST(ArtworkTest, GlyphsAreVisibleColouredAndAllDifferent) {
  for (int size : {16, 24}) {
    std::vector<Bitmap> seen;
    for (Glyph glyph : kGlyphs) {
      const Bitmap normal = DrawGlyph(glyph, size);
      const Bitmap disabled = DrawDisabledGlyph(glyph, size);
      ASSERT_EQ(normal.width, size);
      ASSERT_EQ(normal.height, size);
      int opaque = 0;
      bool coloured = false, greyWhenDisabled = true;
      for (size_t i = 0; i < normal.pixels.size(); ++i) {
        const Argb n = normal.pixels[i], d = disabled.pixels[i];
        greyWhenDisabled = greyWhenDisabled && RedOf(d) == GreenOf(d) && GreenOf(d) == BlueOf(d);
        if (AlphaOf(n) < 128) continue;
        ++opaque;
        coloured = coloured || RedOf(n) != GreenOf(n) || GreenOf(n) != BlueOf(n);
      }
      EXPECT_GT(opaque, size * size / 12) << static_cast<int>(glyph);
      EXPECT_TRUE(coloured) << static_cast<int>(glyph);
      EXPECT_TRUE(greyWhenDisabled) << static_cast<int>(glyph);
      EXPECT_NE(disabled, normal) << static_cast<int>(glyph);
      for (const Bitmap& other : seen) EXPECT_NE(other, normal) << static_cast<int>(glyph);
      seen.push_back(normal);
    }
  }
}

TEST(ArtworkTest, TheLeftHandIsTheRightOneMirrored) {
  const Bitmap right = DrawGlyph(Glyph::HandRight), left = DrawGlyph(Glyph::HandLeft);
  // Samples that fall exactly on a slanted edge may go either way: a few
  // of a pixel's 64.
  int differing = 0;
  for (int y = 0; y < kGlyphSize; ++y)
    for (int x = 0; x < kGlyphSize; ++x)
      differing += std::abs(AlphaOf(left.At(x, y)) - AlphaOf(right.At(kGlyphSize - 1 - x, y))) > 16;
  EXPECT_EQ(differing, 0);
}

TEST(ArtworkTest, TheProductIconAndTheAboutBackground) {
  for (int size : {16, 32, 48}) {
    const Bitmap icon = DrawProductPicture(size);
    ASSERT_EQ(icon.width, size);
    EXPECT_EQ(AlphaOf(icon.At(size / 2, size * 3 / 4)), 255) << size;  // the folder's front
    EXPECT_EQ(AlphaOf(icon.At(0, 0)), 0) << size;                      // above its tab
  }
  const Bitmap background = DrawAboutBackground();
  ASSERT_EQ(background.width, kAboutWidth);
  ASSERT_EQ(background.height, kAboutHeight);
  for (Argb pixel : background.pixels) ASSERT_EQ(AlphaOf(pixel), 255);
}

}  // namespace
}  // namespace tandrel::ui
