#pragma once
// A small painter that needs no toolkit: it fills and strokes paths with
// anti-aliased edges into a 32-bit picture. The program's pictures are
// drawn with it once, and each front end turns the result into an image of
// its own toolkit.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tandrel::ui {

// A pixel as 0xAARRGGBB, not premultiplied: the layout of a Qt ARGB32 image
// and of a 32-bit Windows DIB.
using Argb = std::uint32_t;

constexpr Argb Rgba(int r, int g, int b, int a = 255) {
  return static_cast<Argb>(a) << 24 | static_cast<Argb>(r) << 16 | static_cast<Argb>(g) << 8 |
         static_cast<Argb>(b);
}
constexpr int AlphaOf(Argb p) { return static_cast<int>(p >> 24); }
constexpr int RedOf(Argb p) { return static_cast<int>(p >> 16 & 0xFF); }
constexpr int GreenOf(Argb p) { return static_cast<int>(p >> 8 & 0xFF); }
constexpr int BlueOf(Argb p) { return static_cast<int>(p & 0xFF); }

// A picture: pixels row by row from the top, transparent when new.
struct Bitmap {
  Bitmap() = default;
  Bitmap(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 0) {}
  Argb& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  Argb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool operator==(const Bitmap&) const = default;

  int width = 0, height = 0;
  std::vector<Argb> pixels;
};

struct Point {
  double x, y;
};

// Maps the painter's units to pixels; each step applies to what is drawn
// after it in the units before it (translate, then rotate about the new
// origin, and so on).
class Transform {
 public:
  Transform& Translate(double dx, double dy);
  Transform& Scale(double sx, double sy);
  Transform& Rotate(double degrees);  // clockwise on the screen
  Point Map(Point p) const { return {a_ * p.x + c_ * p.y + e_, b_ * p.x + d_ * p.y + f_}; }
  Transform Inverted() const;
  // How much a length grows, on average over all directions.
  double Magnification() const;

 private:
  double a_ = 1, b_ = 0, c_ = 0, d_ = 1, e_ = 0, f_ = 0;
};

// Figures of straight lines; curves are laid down as many short lines.
// Angles count counter-clockwise from three o'clock, as on a clock face
// seen from the front.
class Path {
 public:
  Path& MoveTo(Point p);
  Path& LineTo(Point p);
  Path& QuadTo(Point control, Point end);
  // An arc of the circle around `centre`; it starts a figure of its own
  // unless `joined`.
  Path& Arc(Point centre, double radius, double startDegrees, double spanDegrees, bool joined = false);
  Path& Close();
  // Closed figures.
  Path& Polygon(std::initializer_list<Point> points);
  Path& Rectangle(double x, double y, double w, double h);
  Path& Ellipse(double x, double y, double w, double h);
  Path& RoundedRectangle(double x, double y, double w, double h, double radius);

  struct Figure {
    std::vector<Point> points;
    bool closed = false;
  };
  const std::vector<Figure>& Figures() const { return figures_; }

 private:
  std::vector<Figure> figures_;
};

// What fills a shape: one colour, or colours that change along a line or
// out from a centre (stops at 0 to 1, in order).
struct Paint {
  enum class Kind { Solid, Linear, Radial };
  struct Stop {
    double at;
    Argb colour;
  };
  static Paint Solid(Argb colour) { return {Kind::Solid, {{0, colour}}, {}, {}, 0}; }
  static Paint Linear(Point from, Point to, std::vector<Stop> stops) {
    return {Kind::Linear, std::move(stops), from, to, 0};
  }
  static Paint Radial(Point centre, double radius, std::vector<Stop> stops) {
    return {Kind::Radial, std::move(stops), centre, {}, radius};
  }
  Argb At(Point p) const;

  Kind kind;
  std::vector<Stop> stops;
  Point from, to;
  double radius;
};

struct Pen {
  enum class Cap { Flat, Square, Round };
  enum class Join { Bevel, Round };
  Argb colour;
  double width = 1;
  Cap cap = Cap::Square;
  Join join = Join::Bevel;
  // A dashed line: dashes and gaps as long as this many widths; 0, solid.
  double dash = 0, gap = 0;
};

class Canvas {
 public:
  explicit Canvas(Bitmap& target) : target_(target) {}

  void SetTransform(const Transform& transform) { transform_ = transform; }
  const Transform& CurrentTransform() const { return transform_; }

  // The inside of each of the path's figures in the paint; where figures
  // overlap, the paint covers both (no holes).
  void Fill(const Path& path, const Paint& paint);
  void Fill(const Path& path, Argb colour) { Fill(path, Paint::Solid(colour)); }
  // The outline of the path's lines, as wide as the pen.
  void Stroke(const Path& path, const Pen& pen);
  // Both, the outline drawn over the inside.
  void Draw(const Path& path, Argb fill, const Pen& pen);

 private:
  using Polygon = std::vector<Point>;
  // Paints the union of the polygons, each filled by the even-odd rule.
  void Cover(const std::vector<Polygon>& pieces, const Paint& paint);

  Bitmap& target_;
  Transform transform_;
};

}  // namespace tandrel::ui
