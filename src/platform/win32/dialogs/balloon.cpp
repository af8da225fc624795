// FUKIDASI and BALLOON: a borderless speech balloon, its pointer shaped by a
// window region, opaque, translucent or with a see-through background.
#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/dialogs/dialog_frame.h"
#include "platform/win32/dialogs/gdi_calls.h"
#include "platform/win32/window_class.h"
#include "platform/windowing.h"

namespace zelk::os {
namespace {

const wchar_t kBalloonClass[] = L"TFfukidsi";
constexpr int kOwners = 65;
constexpr int kDefaultPoints = 10;
constexpr int kMinimumPoints = 6;
constexpr COLORREF kYellow = RGB(255, 255, 0);

struct Balloon {
  HWND window = nullptr;
  DWORD thread = 0;
  bool shaped = false;  // the look has been applied once
  BalloonLook look;
  std::u16string text;
  std::unique_ptr<win::Font> font;
  SIZE label{0, 0};
  POINT labelAt{10, 10};
  std::vector<POINT> outline;
  COLORREF back = kYellow;
  COLORREF pen = 0;
  bool drawOutline = true;
};

std::mutex& BalloonLock() {
  static std::mutex lock;
  return lock;
}
std::array<Balloon, kOwners>& Balloons() {
  static std::array<Balloon, kOwners> balloons;
  return balloons;
}

LRESULT CALLBACK BalloonProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* b = reinterpret_cast<Balloon*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  switch (message) {
    case WM_WINDOWPOSCHANGING: {
      // Whatever else comes to the front, the balloon stays above it.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (IsWindowVisible(w) && GetForegroundWindow() != w && !(pos->flags & SWP_NOZORDER)) {
        pos->hwndInsertAfter = HWND_TOPMOST;
      }
      break;
    }
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      if (b && b->font && win::Gdi().loaded) {
        const win::GdiCalls& gdi = win::Gdi();
        RECT client;
        GetClientRect(w, &client);
        HBRUSH brush = gdi.CreateSolidBrush(b->back);
        FillRect(dc, &client, brush);
        gdi.DeleteObject(brush);
        HGDIOBJ oldFont = gdi.SelectObject(dc, b->font->handle());
        gdi.SetBkMode(dc, TRANSPARENT);
        gdi.SetTextColor(dc, static_cast<COLORREF>(b->look.textColour) & 0xFFFFFF);
        RECT text{b->labelAt.x, b->labelAt.y, b->labelAt.x + b->label.cx,
                  b->labelAt.y + b->label.cy};
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(b->text.c_str()),
                  static_cast<int>(b->text.size()), &text, DT_NOPREFIX | DT_EXPANDTABS);
        gdi.SelectObject(dc, oldFont);
        if (b->drawOutline && b->outline.size() > 1) {
          HPEN pen = gdi.CreatePen(PS_SOLID, 2, b->pen);
          HGDIOBJ oldPen = gdi.SelectObject(dc, pen);
          std::vector<POINT> closed = b->outline;
          closed.push_back(closed.front());
          gdi.Polyline(dc, closed.data(), static_cast<int>(closed.size()));
          gdi.SelectObject(dc, oldPen);
          gdi.DeleteObject(pen);
        }
      }
      EndPaint(w, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

HWND MakeWindow(Balloon& b) {
  win::RegisterWindowClass(kBalloonClass, BalloonProc, IDC_ARROW);
  const bool desktop = b.look.ownedByDesktop;
  HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | (desktop ? WS_EX_TOOLWINDOW : 0),
                           kBalloonClass, L"", WS_POPUP, 0, 0, 10, 10,
                           desktop ? GetDesktopWindow() : nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (w) SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&b));
  // Window searches leave it out and GET_FUKIDASI_WIN names it.
  if (w) SetOwnWindow(OwnWindow::kBalloon, reinterpret_cast<WindowHandle>(w));
  return w;
}

// The key colour one step from the background that the text cannot have.
COLORREF KeyColour(int back, int text) {
  int key = back - 1;
  if (key == text) key = back - 2;
  if (key < 0) key = back + 1 == text ? back + 2 : back + 1;
  return static_cast<COLORREF>(key) & 0xFFFFFF;
}

void Shape(Balloon& b) {
  const int W = b.label.cx + 20;
  const int H = b.label.cy + 20;
  const int t = H / 3;
  const int bb = t + 10;
  b.labelAt = {10, 10};
  switch (b.look.direction) {
    case 1:
      b.labelAt = {10, 15};
      b.outline = {{0, 10}, {t, 10}, {t, 0}, {bb, 10}, {W, 10}, {W, H}, {0, H}};
      break;
    case 2:
      b.labelAt = {10, 5};
      b.outline = {{0, 0}, {W, 0}, {W, H - 10}, {bb, H - 10}, {t, H}, {t, H - 10}, {0, H - 10}};
      break;
    case 3:
      b.labelAt = {15, 10};
      b.outline = {{10, 0}, {W, 0}, {W, H}, {10, H}, {10, bb}, {0, t}, {10, t}};
      break;
    case 4:
      b.labelAt = {5, 10};
      b.outline = {{0, 0}, {W - 10, 0}, {W - 10, t}, {W, t}, {W - 10, bb}, {W - 10, H}, {0, H}};
      break;
    default:
      b.outline = {{0, 0}, {W, 0}, {W, H}, {0, H}};
      break;
  }
  SetWindowPos(b.window, nullptr, 0, 0, W, H, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (b.look.direction >= 1 && b.look.direction <= 4) {
    HRGN region =
        win::Gdi().CreatePolygonRgn(b.outline.data(), static_cast<int>(b.outline.size()), WINDING);
    SetWindowRgn(b.window, region, FALSE);  // the window owns the region now
  } else {
    SetWindowRgn(b.window, nullptr, FALSE);
  }
}

}  // namespace

void ShowBalloon(int owner, const std::u16string& text, int x, int y, const BalloonLook& look) {
  if (owner < 0 || owner >= kOwners || !win::Gdi().loaded) return;
  std::lock_guard<std::mutex> guard(BalloonLock());
  Balloon& b = Balloons()[static_cast<std::size_t>(owner)];
  const DWORD thread = GetCurrentThreadId();
  if (b.window && (!IsWindow(b.window) || b.thread != thread)) {
    // A window left in this slot by an earlier thread goes; its thread may
    // still be alive, so it is asked to close rather than destroyed here.
    if (IsWindow(b.window)) {
      SetWindowLongPtrW(b.window, GWLP_USERDATA, 0);
      PostMessageW(b.window, WM_CLOSE, 0, 0);
    }
    b.window = nullptr;
    b.shaped = false;
  }
  const bool restyle = !b.shaped || !(b.look == look);
  if (b.window && restyle && b.look.ownedByDesktop != look.ownedByDesktop) {
    DestroyWindow(b.window);
    b.window = nullptr;
  }
  b.look = look;
  if (b.window == nullptr) {
    b.window = MakeWindow(b);
    b.thread = thread;
    if (b.window == nullptr) return;
  }
  if (restyle) {
    ShowWindow(b.window, SW_HIDE);
    SetWindowRgn(b.window, nullptr, FALSE);
    const int points = look.fontSize > 0 ? std::max(look.fontSize, kMinimumPoints) : kDefaultPoints;
    const std::u16string face = !look.fontName.empty() ? look.fontName : look.defaultFontName;
    b.font = std::make_unique<win::Font>(
        face, points, false, look.smoothing == 0 ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY);
  }
  b.text = text;
  const SIZE label = b.font->Measure(text);
  const bool resized = label.cx != b.label.cx || label.cy != b.label.cy;
  b.label = label;
  SetWindowTextW(b.window, reinterpret_cast<const wchar_t*>(text.c_str()));

  LONG_PTR ex = GetWindowLongPtrW(b.window, GWL_EXSTYLE);
  const int v = look.transparency;
  b.drawOutline = v != -2;
  if (v == -1 || v == -2) {
    b.back = KeyColour(look.backColour > 0 ? look.backColour : static_cast<int>(kYellow),
                       look.textColour);
    b.pen = b.back;
    SetWindowLongPtrW(b.window, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(b.window, b.back, 0, LWA_COLORKEY);
  } else {
    b.back = look.backColour > 0 ? static_cast<COLORREF>(look.backColour) & 0xFFFFFF : kYellow;
    b.pen = v < 0 ? b.back : RGB(0, 0, 0);
    if (v == 0) {
      SetWindowLongPtrW(b.window, GWL_EXSTYLE, ex & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    } else {
      const int opacity = v < 0 ? 255 : (v >= 248 ? 8 : 255 - v);
      SetWindowLongPtrW(b.window, GWL_EXSTYLE, ex | WS_EX_LAYERED);
      SetLayeredWindowAttributes(b.window, 0, static_cast<BYTE>(opacity), LWA_ALPHA);
    }
  }
  if (restyle || resized) Shape(b);
  b.shaped = true;
  SetWindowPos(b.window, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(b.window, nullptr, TRUE);
  UpdateWindow(b.window);
}

void HideBalloon(int owner) {
  if (owner < 0 || owner >= kOwners) return;
  std::lock_guard<std::mutex> guard(BalloonLock());
  Balloon& b = Balloons()[static_cast<std::size_t>(owner)];
  if (b.window && IsWindow(b.window)) ShowWindow(b.window, SW_HIDE);
}

void DestroyBalloon(int owner) {
  if (owner < 0 || owner >= kOwners) return;
  std::lock_guard<std::mutex> guard(BalloonLock());
  Balloon& b = Balloons()[static_cast<std::size_t>(owner)];
  if (b.window && IsWindow(b.window) && b.thread == GetCurrentThreadId()) DestroyWindow(b.window);
  b = Balloon{};
}

std::uintptr_t BalloonWindow(int owner) {
  if (owner < 0 || owner >= kOwners) return 0;
  std::lock_guard<std::mutex> guard(BalloonLock());
  const Balloon& b = Balloons()[static_cast<std::size_t>(owner)];
  return b.window && IsWindow(b.window) ? reinterpret_cast<std::uintptr_t>(b.window) : 0;
}

}  // namespace zelk::os
