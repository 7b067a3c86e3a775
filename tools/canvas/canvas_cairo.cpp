#include "canvas/canvas_cairo.h"

#include <cairo.h>
#if CAIRO_HAS_PDF_SURFACE
#include <cairo-pdf.h>
#endif
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>

namespace scen::tool {
namespace {

constexpr const char* font_family = "DejaVu Sans";

struct cairo_free {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using cairo_ptr = std::unique_ptr<cairo_t, cairo_free>;
using surface_ptr = std::unique_ptr<cairo_surface_t, cairo_free>;

void check(cairo_status_t s) {
  if (s != CAIRO_STATUS_SUCCESS) throw std::runtime_error(std::string("drawing failed: ") + cairo_status_to_string(s));
}

cairo_status_t to_stream(void* closure, const unsigned char* data, unsigned int n) {
  try {
    static_cast<byte_sink*>(closure)->write(std::string_view(reinterpret_cast<const char*>(data), n));
  } catch (...) {
    // The stream's own failure is raised again by the caller's status check.
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

class cairo_canvas final : public canvas {
 public:
  explicit cairo_canvas(cairo_t* cr) : cr_(cr) {}

  void begin_group(std::string_view, std::string_view) override {}
  void end_group() override {}

  void polyline(std::span<const point> p, const pen& s) override {
    if (p.size() < 2) return;
    path(p);
    apply(s);
    cairo_stroke(cr_);
  }
  void polygon(std::span<const point> p, colour fill, double alpha, const pen* edge) override {
    if (p.size() < 3) return;
    path(p);
    cairo_close_path(cr_);
    cairo_set_source_rgba(cr_, fill.r, fill.g, fill.b, alpha);
    if (edge) {
      cairo_fill_preserve(cr_);
      apply(*edge);
      cairo_stroke(cr_);
    } else {
      cairo_fill(cr_);
    }
  }
  void rect(const box& b, colour fill, double alpha) override {
    cairo_rectangle(cr_, b.x0, b.y0, b.width(), b.height());
    cairo_set_source_rgba(cr_, fill.r, fill.g, fill.b, alpha);
    cairo_fill(cr_);
  }
  void circle(point c, double radius, colour fill, const pen& edge) override {
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, c.x, c.y, radius, 0, 2 * std::numbers::pi);
    cairo_set_source_rgb(cr_, fill.r, fill.g, fill.b);
    cairo_fill_preserve(cr_);
    apply(edge);
    cairo_stroke(cr_);
  }
  void text(std::string_view t, point at, const font& f, anchor a, colour c, bool halo, double angle) override {
    const std::string s(t);
    select(f);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, s.c_str(), &e);
    const double x0 = a == anchor::start ? 0 : a == anchor::middle ? -e.x_advance / 2 : -e.x_advance;
    cairo_save(cr_);
    cairo_translate(cr_, at.x, at.y);
    cairo_rotate(cr_, angle * std::numbers::pi / 180);
    if (halo) {
      cairo_move_to(cr_, x0, 0);
      cairo_text_path(cr_, s.c_str());
      cairo_set_source_rgba(cr_, 1, 1, 1, 0.9);
      cairo_set_line_width(cr_, 4);
      cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
      cairo_stroke(cr_);
    }
    cairo_move_to(cr_, x0, 0);
    cairo_set_source_rgb(cr_, c.r, c.g, c.b);
    cairo_show_text(cr_, s.c_str());
    cairo_restore(cr_);
  }
  double text_width(std::string_view t, const font& f) override {
    const std::string s(t);
    select(f);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, s.c_str(), &e);
    return e.x_advance;
  }

 private:
  void path(std::span<const point> p) {
    cairo_new_path(cr_);
    cairo_move_to(cr_, p[0].x, p[0].y);
    for (std::size_t i = 1; i < p.size(); ++i) cairo_line_to(cr_, p[i].x, p[i].y);
  }
  void apply(const pen& s) {
    cairo_set_source_rgba(cr_, s.c.r, s.c.g, s.c.b, s.alpha);
    cairo_set_line_width(cr_, s.width);
    if (s.dash > 0) {
      const double d[2] = {s.dash, s.dash};
      cairo_set_dash(cr_, d, 2, 0);
    } else {
      cairo_set_dash(cr_, nullptr, 0, 0);
    }
    cairo_set_line_cap(cr_, s.round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, s.round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
  }
  void select(const font& f) {
    cairo_select_font_face(cr_, font_family, CAIRO_FONT_SLANT_NORMAL,
                           f.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, f.size);
  }

  cairo_t* cr_;
};

void draw_on(cairo_surface_t* surface, const std::function<void(canvas&)>& draw) {
  check(cairo_surface_status(surface));
  const cairo_ptr cr(cairo_create(surface));
  check(cairo_status(cr.get()));
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  cairo_canvas c(cr.get());
  draw(c);
  check(cairo_status(cr.get()));
}

// Cairo and fontconfig keep fonts in caches of their own; they are let go
// once the page is done, so that nothing drawn outlives the drawing.
struct font_caches {
  ~font_caches() {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

}  // namespace

bool cairo_can_write(cairo_format f) {
#if CAIRO_HAS_PDF_SURFACE
  return f == cairo_format::png || f == cairo_format::pdf;
#else
  return f == cairo_format::png;
#endif
}

void draw_with_cairo(cairo_format f, double width, double height, const std::function<void(canvas&)>& draw,
                     byte_sink& out) {
  const font_caches caches;
  if (f == cairo_format::png) {
    const surface_ptr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(std::lround(width)),
                                                   static_cast<int>(std::lround(height))));
    draw_on(s.get(), draw);
    check(cairo_surface_write_to_png_stream(s.get(), to_stream, &out));
    return;
  }
#if CAIRO_HAS_PDF_SURFACE
  const surface_ptr s(cairo_pdf_surface_create_for_stream(to_stream, &out, width, height));
  draw_on(s.get(), draw);
  cairo_surface_finish(s.get());
  check(cairo_surface_status(s.get()));
#else
  throw std::runtime_error("this build of cairo cannot write PDF");
#endif
}

}  // namespace scen::tool
