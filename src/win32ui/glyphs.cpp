#include "win32ui/glyphs.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace tandrel::win32 {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kOlive = RGB(128, 128, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlue = RGB(0, 0, 192);
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kMaroon = RGB(128, 0, 0);
constexpr COLORREF kSkin = RGB(255, 224, 160);
// Pixels left in this colour are transparent; no picture uses it.
constexpr COLORREF kKey = RGB(255, 0, 255);

// Pen and brush for one shape, put back when it is drawn.
class Ink {
 public:
  Ink(HDC dc, COLORREF line, COLORREF fill, int width = 1, bool filled = true)
      : dc_(dc),
        pen_(::CreatePen(PS_SOLID, width, line)),
        brush_(filled ? ::CreateSolidBrush(fill) : static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH))),
        filled_(filled) {
    oldPen_ = ::SelectObject(dc, pen_);
    oldBrush_ = ::SelectObject(dc, brush_);
  }
  ~Ink() {
    ::SelectObject(dc_, oldPen_);
    ::SelectObject(dc_, oldBrush_);
    ::DeleteObject(pen_);
    if (filled_) ::DeleteObject(brush_);
  }
  Ink(const Ink&) = delete;
  Ink& operator=(const Ink&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  bool filled_;
  HGDIOBJ oldPen_, oldBrush_;
};

void Polygon(HDC dc, std::initializer_list<POINT> points) {
  std::vector<POINT> p(points);
  ::Polygon(dc, p.data(), static_cast<int>(p.size()));
}

// An arc of radius 5 around the middle, from `start` over `span` degrees
// (counter-clockwise), ending in an arrow head.
void ArcArrow(HDC dc, double start, double span, COLORREF colour) {
  const double radius = 5, cx = 8, cy = 8;
  const auto at = [&](double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return POINT{static_cast<LONG>(std::lround(cx + radius * std::cos(a))),
                 static_cast<LONG>(std::lround(cy - radius * std::sin(a)))};
  };
  {
    Ink ink(dc, colour, colour, 2, false);
    const POINT from = at(start), to = at(start + span);
    ::SetArcDirection(dc, AD_COUNTERCLOCKWISE);
    ::Arc(dc, 3, 3, 14, 14, from.x, from.y, to.x, to.y);
  }
  const double end = (start + span) * std::numbers::pi / 180;
  const double ax = -std::sin(end), ay = -std::cos(end);  // direction of travel
  const POINT tip = at(start + span);
  Ink ink(dc, colour, colour);
  Polygon(dc, {{static_cast<LONG>(tip.x + ax * 3), static_cast<LONG>(tip.y + ay * 3)},
               {static_cast<LONG>(tip.x - ay * 3), static_cast<LONG>(tip.y + ax * 3)},
               {static_cast<LONG>(tip.x + ay * 3), static_cast<LONG>(tip.y - ax * 3)}});
}

void Folder(HDC dc, int left, int top, int right, int bottom) {
  Ink back(dc, kBlack, kOlive);
  Polygon(
      dc,
      {{left, top}, {left + 5, top}, {left + 6, top + 2}, {right, top + 2}, {right, bottom}, {left, bottom}});
  Ink front(dc, kBlack, kYellow);
  ::Rectangle(dc, left, top + 4, right + 1, bottom + 1);
}

// A hand with its index finger pointing right, turned to `quarter` x 90
// degrees clockwise.
void Hand(HDC dc, int quarter) {
  XFORM turn{};
  const double a = quarter * std::numbers::pi / 2;
  turn.eM11 = static_cast<FLOAT>(std::cos(a));
  turn.eM12 = static_cast<FLOAT>(std::sin(a));
  turn.eM21 = static_cast<FLOAT>(-std::sin(a));
  turn.eM22 = static_cast<FLOAT>(std::cos(a));
  turn.eDx = static_cast<FLOAT>(8 - 8 * turn.eM11 - 8 * turn.eM21);
  turn.eDy = static_cast<FLOAT>(8 - 8 * turn.eM12 - 8 * turn.eM22);
  ::ModifyWorldTransform(dc, &turn, MWT_LEFTMULTIPLY);
  Ink ink(dc, kBlack, kSkin);
  ::RoundRect(dc, 2, 5, 10, 13, 3, 3);  // the fist
  ::Rectangle(dc, 8, 5, 15, 8);         // the finger
  ::Rectangle(dc, 1, 6, 3, 12);         // the cuff edge
}

void Paint(HDC dc, Glyph glyph) {
  switch (glyph) {
    case Glyph::Sync:
      ArcArrow(dc, 200, 130, kGreen);
      ArcArrow(dc, 20, 130, kBlue);
      break;
    case Glyph::ConfigGeneral: {  // the schedule: a clock
      Ink face(dc, kBlack, kWhite);
      ::Ellipse(dc, 1, 1, 15, 15);
      Ink hands(dc, kNavy, kNavy, 2, false);
      ::MoveToEx(dc, 8, 8, nullptr);
      ::LineTo(dc, 8, 3);
      ::MoveToEx(dc, 8, 8, nullptr);
      ::LineTo(dc, 11, 10);
      break;
    }
    case Glyph::ConfigJobs: {  // the jobs: a From folder and a To folder
      Folder(dc, 0, 1, 8, 8);
      Folder(dc, 7, 8, 15, 15);
      Ink arrow(dc, kGreen, kGreen);
      Polygon(dc, {{10, 2}, {14, 5}, {10, 8}});
      break;
    }
    case Glyph::Ok: {
      Ink tick(dc, kGreen, kGreen, 3, false);
      ::MoveToEx(dc, 2, 8, nullptr);
      ::LineTo(dc, 6, 12);
      ::LineTo(dc, 14, 3);
      break;
    }
    case Glyph::HomePage: {  // a globe
      Ink globe(dc, kNavy, kTeal);
      ::Ellipse(dc, 1, 1, 15, 15);
      Ink lines(dc, kWhite, kWhite, 1, false);
      ::Ellipse(dc, 5, 1, 11, 15);
      ::MoveToEx(dc, 1, 8, nullptr);
      ::LineTo(dc, 15, 8);
      break;
    }
    case Glyph::Save: {  // a floppy disk
      Ink disk(dc, kBlack, kNavy);
      ::Rectangle(dc, 1, 1, 15, 15);
      Ink label(dc, kBlack, kWhite);
      ::Rectangle(dc, 4, 1, 12, 7);
      Ink shutter(dc, kBlack, kSilver);
      ::Rectangle(dc, 4, 10, 12, 15);
      break;
    }
    case Glyph::WasteBin: {
      Ink bin(dc, kBlack, kSilver);
      Polygon(dc, {{3, 4}, {13, 4}, {12, 15}, {4, 15}});
      ::Rectangle(dc, 2, 2, 14, 4);
      ::Rectangle(dc, 6, 0, 10, 2);
      Ink ribs(dc, kGrey, kGrey, 1, false);
      for (int x : {6, 8, 10}) {
        ::MoveToEx(dc, x, 6, nullptr);
        ::LineTo(dc, x, 14);
      }
      break;
    }
    case Glyph::HandRight:
      Hand(dc, 0);
      break;
    case Glyph::HandDown:
      Hand(dc, 1);
      break;
    case Glyph::HandLeft:
      Hand(dc, 2);
      break;
    case Glyph::HandUp:
      Hand(dc, 3);
      break;
    case Glyph::Door: {  // an open door in its frame
      Ink frame(dc, kBlack, kGrey);
      ::Rectangle(dc, 3, 1, 14, 16);
      Ink door(dc, kBlack, kMaroon);
      Polygon(dc, {{3, 1}, {9, 3}, {9, 16}, {3, 15}});
      Ink knob(dc, kYellow, kYellow);
      ::Rectangle(dc, 7, 8, 9, 10);
      break;
    }
    case Glyph::OpenFolder: {
      Ink back(dc, kBlack, kOlive);
      Polygon(dc, {{1, 3}, {6, 3}, {7, 5}, {13, 5}, {13, 14}, {1, 14}});
      Ink front(dc, kBlack, kYellow);
      Polygon(dc, {{1, 14}, {4, 8}, {16, 8}, {13, 14}});
      break;
    }
  }
}

// Draws on a 32-bit picture of `size` pixels in a 16-unit square and makes
// an icon of it, transparent where nothing was drawn.
HICON MakeIcon(int size, const std::function<void(HDC)>& paint) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const HBITMAP colour = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = ::SelectObject(dc, colour);
  const HBRUSH key = ::CreateSolidBrush(kKey);
  const RECT all{0, 0, size, size};
  ::FillRect(dc, &all, key);
  ::DeleteObject(key);
  ::SetGraphicsMode(dc, GM_ADVANCED);
  XFORM scale{};
  scale.eM11 = scale.eM22 = static_cast<FLOAT>(size / 16.0);
  ::SetWorldTransform(dc, &scale);
  paint(dc);
  ::GdiFlush();
  auto* pixel = static_cast<DWORD*>(bits);
  for (int i = 0; i < size * size; ++i) {
    // GDI leaves the alpha byte alone: opaque wherever it drew.
    pixel[i] = (pixel[i] & 0xFFFFFF) == 0xFF00FF ? 0 : (pixel[i] | 0xFF000000);
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  std::vector<BYTE> zeros(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
  const HBITMAP mask = ::CreateBitmap(size, size, 1, 1, zeros.data());
  ICONINFO icon{TRUE, 0, 0, mask, colour};
  const HICON made = ::CreateIconIndirect(&icon);
  ::DeleteObject(mask);
  ::DeleteObject(colour);
  return made;
}

}  // namespace

HICON GlyphIcon(Glyph glyph, int size) {
  return MakeIcon(size, [glyph](HDC dc) { Paint(dc, glyph); });
}

HICON ProductIcon(int size) {
  auto icon = static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
  return icon ? icon : ::LoadIconW(nullptr, IDI_APPLICATION);
}

void PaintAboutBackground(HDC dc, const RECT& area) {
  // Teal at the top fading to navy, with a band of light across the middle.
  const int height = area.bottom - area.top;
  for (int y = 0; y < height; ++y) {
    const double t = static_cast<double>(y) / std::max(1, height - 1);
    const double light = std::exp(-std::pow((t - 0.55) * 5, 2)) * 60;
    const auto channel = [&](int top, int bottom) {
      return static_cast<BYTE>(std::min(255.0, top + (bottom - top) * t + light));
    };
    const HBRUSH band = ::CreateSolidBrush(RGB(channel(0, 0), channel(128, 0), channel(128, 128)));
    const RECT line{area.left, area.top + y, area.right, area.top + y + 1};
    ::FillRect(dc, &line, band);
    ::DeleteObject(band);
  }
}

}  // namespace tandrel::win32
