// A small drawing surface with interchangeable backends: the project's own
// SVG writer (real text, a tooltip per object) and, where cairo is built in,
// raster and PDF output. Coordinates are page units (SVG user units, PNG
// pixels); texts are UTF-8.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace scen::tool {

struct colour {
  double r, g, b;
};

struct point {
  double x, y;
};

struct box {
  double x0, y0, x1, y1;
  double width() const { return x1 - x0; }
  double height() const { return y1 - y0; }
  bool touches(const box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
  bool inside(const box& o) const { return x0 >= o.x0 && x1 <= o.x1 && y0 >= o.y0 && y1 <= o.y1; }
};

struct pen {
  colour c{0, 0, 0};
  double width = 1;
  double alpha = 1;
  double dash = 0;     // length of dashes and gaps; 0 draws a solid line
  bool round = false;  // round caps and joins
};

enum class anchor { start, middle, end };

struct font {
  double size = 12;
  bool bold = false;
};

class canvas {
 public:
  virtual ~canvas() = default;

  // Everything drawn until the matching end_group is one object: the SVG
  // gives it `tooltip` (shown on hover) and the class `kind`, for the eye
  // and for scripts. Groups nest.
  virtual void begin_group(std::string_view tooltip, std::string_view kind) = 0;
  virtual void end_group() = 0;

  virtual void polyline(std::span<const point> p, const pen& s) = 0;
  virtual void polygon(std::span<const point> p, colour fill, double alpha, const pen* edge) = 0;
  virtual void rect(const box& b, colour fill, double alpha) = 0;
  virtual void circle(point centre, double radius, colour fill, const pen& edge) = 0;
  // Text with its baseline at `at`, turned by `angle` degrees (negative:
  // anticlockwise). A halo keeps it readable over lines.
  virtual void text(std::string_view t, point at, const font& f, anchor a, colour c, bool halo, double angle = 0) = 0;
  // The advance width of `t` in font `f`.
  virtual double text_width(std::string_view t, const font& f) = 0;

  void line(point a, point b, const pen& s) {
    const point p[2] = {a, b};
    polyline(p, s);
  }
  void frame(const box& b, const pen& s) {
    const point p[5] = {{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}, {b.x0, b.y0}};
    polyline(p, s);
  }
  void shape(std::initializer_list<point> p, colour fill, const pen* edge = nullptr) {
    polygon(std::span<const point>(p.begin(), p.size()), fill, 1.0, edge);
  }
  // The box a text takes with its baseline at `at`.
  box text_box(std::string_view t, point at, const font& f, anchor a) {
    const double w = text_width(t, f);
    const double x0 = a == anchor::start ? at.x : a == anchor::middle ? at.x - w / 2 : at.x - w;
    return {x0 - 2, at.y - f.size * 0.8, x0 + w + 2, at.y + f.size * 0.25};
  }
};

}  // namespace scen::tool
