#include "win32ui/glyphs.h"

#include <cstring>
#include <map>
#include <vector>

#include "platform/win32/wide.h"

namespace tandrel::win32 {
namespace {

// A top-down 32-bit DIB: the pixel layout of ui::Bitmap.
BITMAPINFO DibInfo(const ui::Bitmap& bitmap) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = bitmap.width;
  info.bmiHeader.biHeight = -bitmap.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// An icon of the picture, transparent where its pixels are.
HICON IconOf(const ui::Bitmap& bitmap) {
  const BITMAPINFO info = DibInfo(bitmap);
  void* bits = nullptr;
  const HBITMAP colour = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour) return nullptr;
  std::memcpy(bits, bitmap.pixels.data(), bitmap.pixels.size() * sizeof(ui::Argb));
  // With an alpha channel in the colour, the mask plays no part.
  std::vector<BYTE> zeros(static_cast<size_t>((bitmap.width + 15) / 16 * 2 * bitmap.height), 0);
  const HBITMAP mask = ::CreateBitmap(bitmap.width, bitmap.height, 1, 1, zeros.data());
  ICONINFO icon{TRUE, 0, 0, mask, colour};
  const HICON made = ::CreateIconIndirect(&icon);
  ::DeleteObject(mask);
  ::DeleteObject(colour);
  return made;
}

COLORREF ColourOf(ui::Argb pixel) { return RGB(ui::RedOf(pixel), ui::GreenOf(pixel), ui::BlueOf(pixel)); }

// GDI writes text opaque: a see-through shadow becomes its mix with the
// background at the title's middle.
COLORREF ShadowOver(const ui::Bitmap& background, const ui::AboutTitle& title) {
  const ui::Argb below = background.At(title.left + title.width / 2, title.top + title.height / 2);
  const int a = ui::AlphaOf(title.shadow);
  const auto mix = [a](int shadow, int under) { return (shadow * a + under * (255 - a)) / 255; };
  return RGB(mix(ui::RedOf(title.shadow), ui::RedOf(below)),
             mix(ui::GreenOf(title.shadow), ui::GreenOf(below)),
             mix(ui::BlueOf(title.shadow), ui::BlueOf(below)));
}

}  // namespace

HICON GlyphIcon(Glyph glyph, int size) { return IconOf(ui::DrawGlyph(glyph, size)); }

HICON ProductIcon(int size) {
  static std::map<int, HICON> made;
  HICON& icon = made[size];
  if (!icon) icon = IconOf(ui::DrawProductPicture(size));
  return icon;
}

void PaintAboutBackground(HDC dc, const RECT& area) {
  static const ui::Bitmap background = ui::DrawAboutBackground();
  const BITMAPINFO info = DibInfo(background);
  const int width = area.right - area.left, height = area.bottom - area.top;
  ::SetStretchBltMode(dc, HALFTONE);
  ::StretchDIBits(dc, area.left, area.top, width, height, 0, 0, background.width, background.height,
                  background.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);

  const ui::AboutTitle& title = ui::kAboutTitle;
  const auto x = [&](int design) { return area.left + ::MulDiv(design, width, ui::kAboutWidth); };
  const auto y = [&](int design) { return area.top + ::MulDiv(design, height, ui::kAboutHeight); };
  const HFONT font =
      ::CreateFontW(-::MulDiv(title.pixelSize, height, ui::kAboutHeight), 0, 0, 0, FW_BOLD, TRUE, FALSE,
                    FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                    VARIABLE_PITCH | FF_ROMAN, L"Times New Roman");
  const HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  const std::wstring text = platform::win32::Wide(title.text);
  const auto write = [&](int dx, int dy, COLORREF colour) {
    RECT box{x(title.left + dx), y(title.top + dy), x(title.left + title.width + dx),
             y(title.top + title.height + dy)};
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  };
  write(title.shadowDx, title.shadowDy, ShadowOver(background, title));
  write(0, 0, ColourOf(title.colour));
  ::SelectObject(dc, old);
  ::DeleteObject(font);
}

}  // namespace tandrel::win32
