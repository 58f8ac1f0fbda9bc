#include "ui/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tandrel::ui {
namespace {

// Samples per pixel along each axis: 64 shades of an edge.
constexpr int kSamples = 8;
// Short lines per full circle, and per quadratic curve.
constexpr int kCircleSteps = 120;
constexpr int kCurveSteps = 24;

constexpr double kDegrees = std::numbers::pi / 180;

Point Plus(Point p, Point q) { return {p.x + q.x, p.y + q.y}; }
Point Times(Point p, double k) { return {p.x * k, p.y * k}; }

// The point on the circle at `degrees`, counter-clockwise from three o'clock.
Point OnCircle(Point centre, double rx, double ry, double degrees) {
  return {centre.x + rx * std::cos(degrees * kDegrees), centre.y - ry * std::sin(degrees * kDegrees)};
}

// The round end or join of a line: a circle of fewer steps, as it is small.
std::vector<Point> Circle(Point centre, double radius) {
  constexpr int kSteps = 32;
  std::vector<Point> points;
  for (int i = 0; i < kSteps; ++i) points.push_back(OnCircle(centre, radius, radius, i * 360.0 / kSteps));
  return points;
}

Argb Mix(Argb from, Argb to, double t) {
  const auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return Rgba(channel(RedOf(from), RedOf(to)), channel(GreenOf(from), GreenOf(to)),
              channel(BlueOf(from), BlueOf(to)), channel(AlphaOf(from), AlphaOf(to)));
}

// Lays `source` with `coverage` (0 to 1) over `target`.
void Blend(Argb& target, Argb source, double coverage) {
  const double a = AlphaOf(source) / 255.0 * coverage;
  if (a <= 0) return;
  const double below = AlphaOf(target) / 255.0 * (1 - a);
  const double alpha = a + below;
  const auto channel = [&](int s, int t) {
    return static_cast<int>(std::lround((s * a + t * below) / alpha));
  };
  target = Rgba(channel(RedOf(source), RedOf(target)), channel(GreenOf(source), GreenOf(target)),
                channel(BlueOf(source), BlueOf(target)), static_cast<int>(std::lround(alpha * 255)));
}

}  // namespace

Transform& Transform::Translate(double dx, double dy) {
  e_ += a_ * dx + c_ * dy;
  f_ += b_ * dx + d_ * dy;
  return *this;
}

Transform& Transform::Scale(double sx, double sy) {
  a_ *= sx;
  b_ *= sx;
  c_ *= sy;
  d_ *= sy;
  return *this;
}

Transform& Transform::Rotate(double degrees) {
  const double cos = std::cos(degrees * kDegrees), sin = std::sin(degrees * kDegrees);
  const Transform before = *this;
  a_ = before.a_ * cos + before.c_ * sin;
  b_ = before.b_ * cos + before.d_ * sin;
  c_ = before.c_ * cos - before.a_ * sin;
  d_ = before.d_ * cos - before.b_ * sin;
  return *this;
}

Transform Transform::Inverted() const {
  const double det = a_ * d_ - b_ * c_;
  Transform inverse;
  inverse.a_ = d_ / det;
  inverse.b_ = -b_ / det;
  inverse.c_ = -c_ / det;
  inverse.d_ = a_ / det;
  inverse.e_ = (c_ * f_ - d_ * e_) / det;
  inverse.f_ = (b_ * e_ - a_ * f_) / det;
  return inverse;
}

double Transform::Magnification() const { return std::sqrt(std::abs(a_ * d_ - b_ * c_)); }

Path& Path::MoveTo(Point p) {
  figures_.push_back({{p}, false});
  return *this;
}

Path& Path::LineTo(Point p) {
  if (figures_.empty() || figures_.back().closed) return MoveTo(p);
  figures_.back().points.push_back(p);
  return *this;
}

Path& Path::QuadTo(Point control, Point end) {
  const Point start = figures_.back().points.back();
  for (int i = 1; i <= kCurveSteps; ++i) {
    const double t = static_cast<double>(i) / kCurveSteps, u = 1 - t;
    LineTo(Plus(Plus(Times(start, u * u), Times(control, 2 * u * t)), Times(end, t * t)));
  }
  return *this;
}

Path& Path::Arc(Point centre, double radius, double startDegrees, double spanDegrees, bool joined) {
  const int steps = std::max(2, static_cast<int>(std::ceil(std::abs(spanDegrees) * kCircleSteps / 360)));
  for (int i = 0; i <= steps; ++i) {
    const Point p = OnCircle(centre, radius, radius, startDegrees + spanDegrees * i / steps);
    if (i == 0 && !joined) {
      MoveTo(p);
    } else {
      LineTo(p);
    }
  }
  return *this;
}

Path& Path::Close() {
  if (!figures_.empty()) figures_.back().closed = true;
  return *this;
}

Path& Path::Polygon(std::initializer_list<Point> points) {
  figures_.push_back({points, true});
  return *this;
}

Path& Path::Rectangle(double x, double y, double w, double h) {
  return Polygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
}

Path& Path::Ellipse(double x, double y, double w, double h) {
  Figure figure{{}, true};
  for (int i = 0; i < kCircleSteps; ++i)
    figure.points.push_back(OnCircle({x + w / 2, y + h / 2}, w / 2, h / 2, i * 360.0 / kCircleSteps));
  figures_.push_back(std::move(figure));
  return *this;
}

Path& Path::RoundedRectangle(double x, double y, double w, double h, double radius) {
  const double r = std::min({radius, w / 2, h / 2});
  Arc({x + w - r, y + r}, r, 0, 90);
  Arc({x + r, y + r}, r, 90, 90, true);
  Arc({x + r, y + h - r}, r, 180, 90, true);
  Arc({x + w - r, y + h - r}, r, 270, 90, true);
  return Close();
}

Argb Paint::At(Point p) const {
  double t = 0;
  if (kind == Kind::Linear) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    t = ((p.x - from.x) * dx + (p.y - from.y) * dy) / (dx * dx + dy * dy);
  } else if (kind == Kind::Radial) {
    t = std::hypot(p.x - from.x, p.y - from.y) / radius;
  }
  if (t <= stops.front().at) return stops.front().colour;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].at)
      return Mix(stops[i - 1].colour, stops[i].colour,
                 (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at));
  }
  return stops.back().colour;
}

void Canvas::Fill(const Path& path, const Paint& paint) {
  std::vector<Polygon> figures;
  for (const Path::Figure& figure : path.Figures())
    if (figure.points.size() >= 3) figures.push_back(figure.points);
  Cover(figures, paint);
}

namespace {

// The dashes of an open line, each a line of its own.
std::vector<Path::Figure> Dashes(const Path::Figure& line, double dash, double gap) {
  std::vector<Path::Figure> dashes;
  bool on = true;
  double left = dash;  // of the current dash or gap
  Path::Figure current{{line.points.front()}, false};
  for (size_t i = 1; i < line.points.size(); ++i) {
    Point from = line.points[i - 1];
    const Point to = line.points[i];
    double length = std::hypot(to.x - from.x, to.y - from.y);
    while (length > left) {
      const double t = left / length;
      from = {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
      length -= left;
      if (on) {
        current.points.push_back(from);
        dashes.push_back(std::move(current));
      }
      current = {{from}, false};
      on = !on;
      left = on ? dash : gap;
    }
    left -= length;
    if (on) current.points.push_back(to);
  }
  if (on && current.points.size() > 1) dashes.push_back(std::move(current));
  return dashes;
}

}  // namespace

void Canvas::Stroke(const Path& path, const Pen& pen) {
  const double half = pen.width / 2;
  std::vector<Path::Figure> figures;
  for (const Path::Figure& figure : path.Figures()) {
    if (pen.dash > 0 && !figure.closed) {
      for (Path::Figure& dash : Dashes(figure, pen.dash * pen.width, pen.gap * pen.width))
        figures.push_back(std::move(dash));
    } else {
      figures.push_back(figure);
    }
  }
  std::vector<Polygon> pieces;
  for (const Path::Figure& figure : figures) {
    std::vector<Point> points = figure.points;
    if (figure.closed) points.push_back(points.front());
    const size_t segments = points.size() - 1;
    for (size_t i = 0; i < segments; ++i) {
      Point from = points[i], to = points[i + 1];
      const double length = std::hypot(to.x - from.x, to.y - from.y);
      if (length == 0) continue;
      const Point along{(to.x - from.x) / length, (to.y - from.y) / length};
      const Point across{-along.y * half, along.x * half};
      if (!figure.closed && pen.cap == Pen::Cap::Square) {
        if (i == 0) from = Plus(from, Times(along, -half));
        if (i + 1 == segments) to = Plus(to, Times(along, half));
      }
      pieces.push_back(
          {Plus(from, across), Plus(to, across), Plus(to, Times(across, -1)), Plus(from, Times(across, -1))});
      // The join with the next segment, or the round end of an open line.
      const bool last = i + 1 == segments;
      if (!last || figure.closed) {
        const Point next = last ? points[1] : points[i + 2];
        const double nextLength = std::hypot(next.x - to.x, next.y - to.y);
        if (pen.join == Pen::Join::Round) {
          pieces.push_back(Circle(to, half));
        } else if (nextLength > 0) {
          const Point nextAcross{-(next.y - to.y) / nextLength * half, (next.x - to.x) / nextLength * half};
          pieces.push_back({to, Plus(to, across), Plus(to, nextAcross)});
          pieces.push_back({to, Plus(to, Times(across, -1)), Plus(to, Times(nextAcross, -1))});
        }
      }
    }
    if (!figure.closed && pen.cap == Pen::Cap::Round) {
      pieces.push_back(Circle(points.front(), half));
      pieces.push_back(Circle(points.back(), half));
    }
  }
  Cover(pieces, Paint::Solid(pen.colour));
}

void Canvas::Draw(const Path& path, Argb fill, const Pen& pen) {
  Fill(path, fill);
  Stroke(path, pen);
}

void Canvas::Cover(const std::vector<Polygon>& pieces, const Paint& paint) {
  std::vector<Polygon> device;
  double left = target_.width, top = target_.height, right = 0, bottom = 0;
  for (const Polygon& piece : pieces) {
    Polygon mapped;
    for (Point p : piece) {
      const Point d = transform_.Map(p);
      mapped.push_back(d);
      left = std::min(left, d.x);
      top = std::min(top, d.y);
      right = std::max(right, d.x);
      bottom = std::max(bottom, d.y);
    }
    device.push_back(std::move(mapped));
  }
  const int x0 = std::max(0, static_cast<int>(std::floor(left)));
  const int y0 = std::max(0, static_cast<int>(std::floor(top)));
  const int x1 = std::min(target_.width, static_cast<int>(std::ceil(right)) + 1);
  const int y1 = std::min(target_.height, static_cast<int>(std::ceil(bottom)) + 1);
  if (x0 >= x1 || y0 >= y1) return;

  // Which samples of the area lie inside any piece; a pixel is covered by
  // the share of its samples that do.
  const int columns = (x1 - x0) * kSamples;
  std::vector<unsigned char> inside(static_cast<size_t>(columns) * (y1 - y0) * kSamples, 0);
  std::vector<double> crossings;
  for (const Polygon& piece : device) {
    for (int row = 0; row < (y1 - y0) * kSamples; ++row) {
      const double y = y0 + (row + 0.5) / kSamples;
      crossings.clear();
      for (size_t i = 0; i < piece.size(); ++i) {
        const Point p = piece[i], q = piece[(i + 1) % piece.size()];
        if ((p.y <= y) == (q.y <= y)) continue;
        crossings.push_back(p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y));
      }
      std::sort(crossings.begin(), crossings.end());
      unsigned char* line = &inside[static_cast<size_t>(row) * columns];
      for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        const auto first = static_cast<int>(std::ceil((crossings[i] - x0) * kSamples - 0.5));
        const auto end = static_cast<int>(std::ceil((crossings[i + 1] - x0) * kSamples - 0.5));
        for (int s = std::max(0, first); s < std::min(columns, end); ++s) line[s] = 1;
      }
    }
  }
  const Transform back = transform_.Inverted();
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int count = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        const unsigned char* line = &inside[static_cast<size_t>((y - y0) * kSamples + sy) * columns];
        for (int sx = 0; sx < kSamples; ++sx) count += line[(x - x0) * kSamples + sx];
      }
      if (count == 0) continue;
      const Argb colour = paint.kind == Paint::Kind::Solid ? paint.stops.front().colour
                                                           : paint.At(back.Map({x + 0.5, y + 0.5}));
      Blend(target_.At(x, y), colour, static_cast<double>(count) / (kSamples * kSamples));
    }
  }
}

}  // namespace tandrel::ui
