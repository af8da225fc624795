#include "platform/win32/dialogs/dialog_frame.h"

#include <mutex>

#include "platform/win32/dialogs/gdi_calls.h"
#include "platform/win32/window_class.h"
#include "platform/win32/window_utils.h"

namespace zelk::win {
namespace {

constexpr int kDefaultPoints = 9;
const wchar_t* const kClassNames[] = {L"TUmsgDlg_zelk", L"TUinpBox_zelk", L"TUslctBox_zelk"};

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Where each kind of dialog was when it last closed; shared by all threads.
struct LastCorners {
  std::mutex lock;
  bool known[3] = {};
  POINT corner[3] = {};
};
LastCorners& Corners() {
  static LastCorners corners;
  return corners;
}

}  // namespace

RECT PrimaryWorkArea() {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info)) {
    area = info.rcWork;
  }
  return area;
}

Font::Font(const std::u16string& face, int points, bool underline, DWORD quality) {
  const GdiCalls& gdi = Gdi();
  if (!gdi.loaded) return;
  HDC dc = GetDC(nullptr);
  const int dpi = gdi.GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  const std::u16string name = face.empty() ? u"Tahoma" : face;
  font_ = gdi.CreateFontW(-MulDiv(points, dpi > 0 ? dpi : 96, 72), 0, 0, 0, FW_NORMAL, FALSE,
                          underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH | FF_DONTCARE, Wide(name));
}

Font::~Font() {
  if (font_) Gdi().DeleteObject(font_);
}

SIZE Font::Measure(const std::u16string& text) const {
  SIZE size{0, 0};
  if (!font_) return size;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = Gdi().SelectObject(dc, font_);
  RECT r{0, 0, 0, 0};
  // An empty text still measures as one line; callers decide about that.
  const std::u16string measured = text.empty() ? u" " : text;
  DrawTextW(dc, Wide(measured), static_cast<int>(measured.size()), &r,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  Gdi().SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  size.cx = text.empty() ? 0 : r.right - r.left;
  size.cy = r.bottom - r.top;
  return size;
}

int Font::LineHeight() const {
  if (!font_) return 16;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = Gdi().SelectObject(dc, font_);
  TEXTMETRICW tm{};
  Gdi().GetTextMetricsW(dc, &tm);
  Gdi().SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight > 0 ? tm.tmHeight : 16;
}

ModalDialog::ModalDialog(Kind kind, const os::DialogLook& look)
    : kind_(kind),
      look_(look),
      font_(look.fontName, look.fontSize > 0 ? look.fontSize : kDefaultPoints) {}

ModalDialog::~ModalDialog() {
  if (window_) DestroyWindow(window_);
}

LRESULT ModalDialog::Other(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window_, message, wParam, lParam);
}

HWND ModalDialog::Control(const wchar_t* className, const std::u16string& text, DWORD style, int x,
                          int y, int width, int height, int id, HWND parent) {
  HWND c =
      CreateWindowExW(0, className, Wide(text), WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                      parent ? parent : window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      GetModuleHandleW(nullptr), nullptr);
  if (c && font_.handle()) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), 0);
  return c;
}

LRESULT CALLBACK ModalDialog::Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  if (self == nullptr || self->window_ == nullptr)
    return DefWindowProcW(w, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      self->Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CLOSE:
      self->Command(IDCANCEL, BN_CLICKED, nullptr);
      return 0;
    default:
      return self->Other(message, wParam, lParam);
  }
}

void ModalDialog::Place(os::DialogPlace place, SIZE client) {
  RECT frame{0, 0, client.cx, client.cy};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (place.kind == os::DialogPlace::kLast) {
    LastCorners& corners = Corners();
    std::lock_guard<std::mutex> guard(corners.lock);
    if (corners.known[kind_]) {
      place = {os::DialogPlace::kAt, corners.corner[kind_].x, corners.corner[kind_].y};
    } else {
      place.kind = os::DialogPlace::kCentre;
    }
  }
  if (place.kind == os::DialogPlace::kAt) {
    SetWindowPos(window_, nullptr, place.x, place.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    MoveFormOnScreen(window_, place.x, place.y);
    return;
  }
  const RECT area = PrimaryWorkArea();
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ModalDialog::Run(os::DialogPlace place) {
  RegisterWindowClass(kClassNames[kind_], Proc, IDC_ARROW, GetSysColor(COLOR_BTNFACE));
  window_ =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassNames[kind_],
                      Wide(look_.caption), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0,
                      0, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) return false;
  // Proc starts serving the window once the handle is known.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  const SIZE client = Build();
  Place(place, client);
  ShowWindow(window_, SW_SHOW);
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window_);
  MSG msg;
  while (!done_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // A quit request belongs to the loop outside this dialog.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!IsDialogMessageW(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  RECT r;
  if (GetWindowRect(window_, &r)) {
    LastCorners& corners = Corners();
    std::lock_guard<std::mutex> guard(corners.lock);
    corners.known[kind_] = true;
    corners.corner[kind_] = POINT{r.left, r.top};
  }
  HWND w = window_;
  window_ = nullptr;
  DestroyWindow(w);
  return true;
}

}  // namespace zelk::win
