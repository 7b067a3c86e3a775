#include "canvas/canvas_svg.h"

#include <fmt/format.h>

#include <cmath>

namespace scen::tool {
namespace {

// Coordinates with one decimal: a tenth of a unit is below any screen's
// resolution and keeps the file short. Values that are not finite are
// drawn at 0 rather than written as text no viewer reads.
std::string n(double v) {
  if (!std::isfinite(v)) v = 0;
  const double r = std::round(v * 10) / 10;
  if (r == std::floor(r) && std::fabs(r) < 1e15) return fmt::format("{}", static_cast<long long>(r));
  return fmt::format("{:.1f}", r);
}

std::string rgb(colour c) {
  const auto b = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return fmt::format("#{:02x}{:02x}{:02x}", b(c.r), b(c.g), b(c.b));
}

std::string stroke_attributes(const pen& s) {
  std::string a = fmt::format(" stroke=\"{}\" stroke-width=\"{}\"", rgb(s.c), n(s.width));
  if (s.alpha < 1) a += fmt::format(" stroke-opacity=\"{:.2f}\"", s.alpha);
  if (s.dash > 0) a += fmt::format(" stroke-dasharray=\"{} {}\"", n(s.dash), n(s.dash));
  if (s.round) a += " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  return a;
}

std::string points(std::span<const point> p) {
  std::string out;
  out.reserve(p.size() * 12);
  for (const point& q : p) {
    if (!out.empty()) out += ' ';
    out += n(q.x);
    out += ',';
    out += n(q.y);
  }
  return out;
}

// Length of the UTF-8 sequence that starts with byte `b`, 0 when `b` cannot start one.
int sequence_length(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::string xml_escape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int len = sequence_length(b);
    bool good = len > 0 && i + static_cast<std::size_t>(len) <= s.size();
    for (int k = 1; good && k < len; ++k) good = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (!good || (b < 0x20 && b != '\t' && b != '\n')) {
      out += "\xEF\xBF\xBD";
      i += 1;
      continue;
    }
    switch (b) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.append(s.substr(i, static_cast<std::size_t>(len)));
    }
    i += static_cast<std::size_t>(len);
  }
  return out;
}

double estimated_text_width(std::string_view t, const font& f) {
  double em = 0;
  for (const char ch : t) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b & 0xC0) == 0x80) continue;  // continuation byte of a UTF-8 sequence
    if (b == ' ')
      em += 0.32;
    else if (std::string_view("iljtf.,:;'|!()[]I1").find(ch) != std::string_view::npos)
      em += 0.36;
    else if (b == 'm' || b == 'w' || b == 'M' || b == 'W')
      em += 0.92;
    else if (b >= 'A' && b <= 'Z')
      em += 0.70;
    else if (b >= '0' && b <= '9')
      em += 0.64;
    else
      em += 0.6;
  }
  return em * f.size * (f.bold ? 1.08 : 1.0);
}

svg_canvas::svg_canvas(buffered_sink& out, double width, double height, bool standalone, std::string_view id)
    : out_(out) {
  if (standalone) out_.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  out_.write(fmt::format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\"{} width=\"{}\" height=\"{}\" viewBox=\"0 0 {} {}\" "
      "font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\">\n",
      id.empty() ? std::string() : " id=\"" + xml_escape(id) + "\"", standalone ? n(width) + "pt" : n(width),
      standalone ? n(height) + "pt" : n(height), n(width), n(height)));
  out_.write(
      "<style>.halo{paint-order:stroke;stroke:#fff;stroke-width:4px;stroke-opacity:0.9;"
      "stroke-linejoin:round}</style>\n");
}

void svg_canvas::finish() {
  if (finished_) return;
  while (open_groups_ > 0) end_group();
  out_.write("</svg>\n");
  finished_ = true;
}

void svg_canvas::begin_group(std::string_view tooltip, std::string_view kind) {
  ++open_groups_;
  out_.write(kind.empty() ? std::string("<g>") : "<g class=\"" + xml_escape(kind) + "\">");
  if (!tooltip.empty()) out_.write("<title>" + xml_escape(tooltip) + "</title>");
  out_.write("\n");
}

void svg_canvas::end_group() {
  if (open_groups_ == 0) return;
  --open_groups_;
  out_.write("</g>\n");
}

void svg_canvas::polyline(std::span<const point> p, const pen& s) {
  if (p.size() < 2) return;
  out_.write("<polyline fill=\"none\"" + stroke_attributes(s) + " points=\"" + points(p) + "\"/>\n");
}

void svg_canvas::polygon(std::span<const point> p, colour fill, double alpha, const pen* edge) {
  if (p.size() < 3) return;
  std::string a = fmt::format("<polygon fill=\"{}\"", rgb(fill));
  if (alpha < 1) a += fmt::format(" fill-opacity=\"{:.2f}\"", alpha);
  if (edge) a += stroke_attributes(*edge);
  out_.write(a + " points=\"" + points(p) + "\"/>\n");
}

void svg_canvas::rect(const box& b, colour fill, double alpha) {
  std::string a = fmt::format("<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"{}\"", n(b.x0), n(b.y0),
                              n(std::max(0.0, b.width())), n(std::max(0.0, b.height())), rgb(fill));
  if (alpha < 1) a += fmt::format(" fill-opacity=\"{:.2f}\"", alpha);
  out_.write(a + "/>\n");
}

void svg_canvas::circle(point c, double radius, colour fill, const pen& edge) {
  out_.write(fmt::format("<circle cx=\"{}\" cy=\"{}\" r=\"{}\" fill=\"{}\"{}/>\n", n(c.x), n(c.y), n(radius), rgb(fill),
                         stroke_attributes(edge)));
}

void svg_canvas::text(std::string_view t, point at, const font& f, anchor a, colour c, bool halo, double angle) {
  const char* ancora = a == anchor::start ? "start" : a == anchor::middle ? "middle" : "end";
  std::string e = fmt::format("<text x=\"{}\" y=\"{}\" font-size=\"{}\"{} text-anchor=\"{}\" fill=\"{}\"", n(at.x),
                              n(at.y), n(f.size), f.bold ? " font-weight=\"bold\"" : "", ancora, rgb(c));
  if (halo) e += " class=\"halo\"";
  if (angle != 0) e += fmt::format(" transform=\"rotate({} {} {})\"", n(angle), n(at.x), n(at.y));
  out_.write(e + ">" + xml_escape(t) + "</text>\n");
}

}  // namespace scen::tool
