// The "Attendere" window and the error box through FLTK, chosen at run time
// when an X display can be opened.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/window.h"

namespace scen {
namespace {

// 1 twip = 1/1440 inch; at 96 dots per inch, 15 twips to the pixel.
constexpr int px(int twip) { return twip / 15; }

class fltk_window final : public window {
 public:
  fltk_window()
      : window_(px(4200), px(2688), "scenario"), label_(px(960), px(960), px(2652), px(792), waiting_text.data()) {
    label_.labelfont(FL_HELVETICA_BOLD);
    label_.labelsize(24 * 96 / 72);  // 24 points
    label_.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    window_.end();
  }

  void show_waiting() override {
    window_.show();
    // What is drawn into a window before the X server has mapped it is
    // lost, and the run never comes back to the event loop to answer the
    // Expose that follows: wait until the window is viewable (a window
    // manager may take a moment to map it), then draw and push the drawing
    // through to the server before the work starts.
    const Window xid = fl_xid(&window_);
    for (int i = 0; i < 200; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(fl_display, xid, &a) != 0 && a.map_state == IsViewable) break;
      Fl::wait(0.01);
    }
    Fl::check();  // the Expose events that came with the mapping
    window_.redraw();
    Fl::flush();
    XSync(fl_display, False);
  }

  std::int32_t message(std::string_view text) override {
    fl_message_title("");
    fl_close = "OK";
    const std::string t(text);
    fl_message("%s", t.c_str());
    return 1;  // the one button, OK
  }

 private:
  Fl_Window window_;
  Fl_Box label_;
};

}  // namespace

std::unique_ptr<window> open_fltk_window() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  // Open the display ourselves: FLTK would end the program if it could not.
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return nullptr;
  fl_open_display(d);
  return std::make_unique<fltk_window>();
}

}  // namespace scen

// The module's entry point, looked up by name when the program loads it:
// the window, or nothing without a display. The caller owns the window.
extern "C" scen::window* scenario_open_window() { return scen::open_fltk_window().release(); }
