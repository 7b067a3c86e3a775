// The SVG backend: writes the drawing out as it is drawn, element after
// element, to a byte stream, so that the page is never whole in memory.
// Texts are <text> elements (searchable, selectable), each object a group
// with a <title> tooltip.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "canvas/canvas.h"
#include "platform/folder.h"

namespace scen::tool {

// Characters that XML cannot hold (control bytes, broken UTF-8) become
// U+FFFD; the five markup characters become entities.
std::string xml_escape(std::string_view utf8);

// The width of a text as a browser draws it in the sans-serif font the SVG
// asks for; close enough to place labels, never used for anything stored.
double estimated_text_width(std::string_view utf8, const font& f);

// Buffers small writes into large ones for a byte stream.
class buffered_sink {
 public:
  explicit buffered_sink(byte_sink& out) : out_(out) {}
  ~buffered_sink() = default;
  buffered_sink(const buffered_sink&) = delete;
  buffered_sink& operator=(const buffered_sink&) = delete;
  void write(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() >= 1 << 16) flush();
  }
  void flush() {
    if (!buffer_.empty()) out_.write(buffer_);
    total_ += buffer_.size();
    buffer_.clear();
  }
  std::size_t written() const { return total_ + buffer_.size(); }

 private:
  byte_sink& out_;
  std::string buffer_;
  std::size_t total_ = 0;
};

class svg_canvas final : public canvas {
 public:
  // Starts the document (or, with `standalone` false, a bare <svg> element
  // to be put inside an HTML page).
  svg_canvas(buffered_sink& out, double width, double height, bool standalone = true, std::string_view id = {});
  // Closes the open groups and the document.
  void finish();

  void begin_group(std::string_view tooltip, std::string_view kind) override;
  void end_group() override;
  void polyline(std::span<const point> p, const pen& s) override;
  void polygon(std::span<const point> p, colour fill, double alpha, const pen* edge) override;
  void rect(const box& b, colour fill, double alpha) override;
  void circle(point centre, double radius, colour fill, const pen& edge) override;
  void text(std::string_view t, point at, const font& f, anchor a, colour c, bool halo, double angle) override;
  double text_width(std::string_view t, const font& f) override { return estimated_text_width(t, f); }

 private:
  buffered_sink& out_;
  int open_groups_ = 0;
  bool finished_ = false;
};

}  // namespace scen::tool
