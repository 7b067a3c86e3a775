// The "Attendere" window and the error box through Windows' own API. The
// window is painted before the run starts its work and takes no input; the
// run never returns to a message loop, so the paint is forced at once.
#include "platform/window.h"

#include <windows.h>

#include <string>

#include "platform/win32/system_text.h"

namespace scen {
namespace {

constexpr const wchar_t* class_name = L"scenario_attendere";
constexpr const wchar_t* caption = L"scenario";

// The sizes are given in twips (1/1440 inch): the client area, the label's
// place and size, as the window was laid out.
struct layout {
  int dpi;
  int px(int twip) const { return ::MulDiv(twip, dpi, 1440); }
};

struct window_state {
  HFONT font = nullptr;
  RECT label{};
  std::wstring text;
};

LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<window_state*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      if (state != nullptr) {
        const HGDIOBJ old = ::SelectObject(dc, state->font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        // Not clipped to the label: where the face is a substitute wider
        // than the one it was laid out for, the word runs past its box
        // rather than losing its last letter.
        RECT r = state->label;
        ::DrawTextW(dc, state->text.c_str(), static_cast<int>(state->text.size()), &r,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        ::SelectObject(dc, old);
      }
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      return 0;  // the window takes no input: the run ends it
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

class win32_window final : public window {
 public:
  // Creates the window hidden; nullptr-like (hwnd_ empty) when it cannot be.
  win32_window() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_WAIT);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = class_name;
    if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;

    HDC screen = ::GetDC(nullptr);
    const layout l{screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96};
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);

    state_.text = std::wstring(waiting_text.begin(), waiting_text.end());
    state_.label = {l.px(960), l.px(960), l.px(960 + 2652), l.px(960 + 792)};
    // 24 points, bold; "Microsoft Sans Serif" is the scalable face of
    // "MS Sans Serif", whose bitmaps stop short of this size.
    state_.font = ::CreateFontW(-::MulDiv(24, l.dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                L"Microsoft Sans Serif");

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX;
    RECT frame{0, 0, l.px(4200), l.px(2688)};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    hwnd_ = ::CreateWindowExW(0, class_name, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, &state_);
  }

  ~win32_window() override {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
    if (state_.font != nullptr) ::DeleteObject(state_.font);
  }

  win32_window(const win32_window&) = delete;
  win32_window& operator=(const win32_window&) = delete;

  bool created() const { return hwnd_ != nullptr; }

  void show_waiting() override {
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    // UpdateWindow paints at once, before the run takes the thread; the
    // messages already queued (activation, the frame) are handled as well.
    ::UpdateWindow(hwnd_);
    pump();
  }

  std::int32_t message(std::string_view text) override {
    const std::wstring wide = win32::wide_for_display(text);
    const int button = ::MessageBoxW(hwnd_, wide.c_str(), caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return button == IDOK ? 1 : button;
  }

 private:
  void pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  window_state state_;
  HWND hwnd_ = nullptr;
};

}  // namespace

// On Windows there is always a desktop; only a session without one (a
// service, Wine without a display) fails to create the window, and then the
// texts go to the console.
std::unique_ptr<window> open_window(text_sink& console) {
  auto w = std::make_unique<win32_window>();
  if (w->created()) return w;
  return std::make_unique<console_window>(console);
}

}  // namespace scen
