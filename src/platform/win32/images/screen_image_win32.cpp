// Pictures of the screen and of windows with GDI, and bitmaps on the clipboard.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/screen_image.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

// gdi32 is not among the libraries the core links; user32 has it loaded, so
// the few calls are looked up there once.
struct Gdi {
  HDC(WINAPI* createCompatibleDc)(HDC) = nullptr;
  HBITMAP(WINAPI* createDibSection)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) = nullptr;
  HGDIOBJ(WINAPI* selectObject)(HDC, HGDIOBJ) = nullptr;
  BOOL(WINAPI* bitBlt)(HDC, int, int, int, int, HDC, int, int, DWORD) = nullptr;
  BOOL(WINAPI* deleteObject)(HGDIOBJ) = nullptr;
  BOOL(WINAPI* deleteDc)(HDC) = nullptr;
  BOOL(WINAPI* gdiFlush)() = nullptr;
  bool ok = false;
};

template <typename F>
void Load(HMODULE module, const char* name, F* fn) {
  *fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const Gdi& GdiCalls() {
  static const Gdi gdi = [] {
    Gdi g;
    HMODULE m = GetModuleHandleW(L"gdi32.dll");
    if (!m) m = LoadLibraryW(L"gdi32.dll");
    if (!m) return g;
    Load(m, "CreateCompatibleDC", &g.createCompatibleDc);
    Load(m, "CreateDIBSection", &g.createDibSection);
    Load(m, "SelectObject", &g.selectObject);
    Load(m, "BitBlt", &g.bitBlt);
    Load(m, "DeleteObject", &g.deleteObject);
    Load(m, "DeleteDC", &g.deleteDc);
    Load(m, "GdiFlush", &g.gdiFlush);
    g.ok = g.createCompatibleDc && g.createDibSection && g.selectObject && g.bitBlt &&
           g.deleteObject && g.deleteDc && g.gdiFlush;
    return g;
  }();
  return gdi;
}

// A 32-bit top-down DIB section selected into a memory DC.
class DibCanvas {
 public:
  DibCanvas(HDC reference, int width, int height) : gdi_(GdiCalls()) {
    if (!gdi_.ok || width <= 0 || height <= 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = gdi_.createCompatibleDc(reference);
    if (!dc_) return;
    bitmap_ = gdi_.createDibSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (!bitmap_ || !bits_) return;
    old_ = gdi_.selectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
  }
  ~DibCanvas() {
    if (dc_ && old_) gdi_.selectObject(dc_, old_);
    if (bitmap_) gdi_.deleteObject(bitmap_);
    if (dc_) gdi_.deleteDc(dc_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  bool ok() const { return width_ > 0; }
  HDC dc() const { return dc_; }

  // Copies the part at (x, y) of the canvas into out, fourth bytes cleared;
  // parts outside the canvas stay black.
  void CopyOut(int x, int y, int width, int height, Bitmap* out) const {
    gdi_.gdiFlush();
    out->width = width;
    out->height = height;
    out->bgrx.assign(static_cast<std::size_t>(width) * height * 4, 0);
    const auto* src = static_cast<const std::uint8_t*>(bits_);
    for (int row = 0; row < height; ++row) {
      const int sy = y + row;
      if (sy < 0 || sy >= height_) continue;
      const int from = std::max(x, 0), to = std::min(x + width, width_);
      if (from >= to) continue;
      std::uint8_t* d = out->Row(row) + static_cast<std::size_t>(from - x) * 4;
      const std::uint8_t* s = src + (static_cast<std::size_t>(sy) * width_ + from) * 4;
      for (int i = 0; i < to - from; ++i, d += 4, s += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
  }

 private:
  const Gdi& gdi_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

bool ScreenCopy(int x, int y, int width, int height, Bitmap* out) {
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  bool ok = false;
  {
    DibCanvas canvas(screen, width, height);
    if (canvas.ok() && GdiCalls().bitBlt(canvas.dc(), 0, 0, width, height, screen, x, y, SRCCOPY)) {
      canvas.CopyOut(0, 0, width, height, out);
      ok = true;
    }
  }
  ReleaseDC(nullptr, screen);
  return ok;
}

bool RectsOverlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool ClassIs(HWND wnd, const wchar_t* name) {
  wchar_t buffer[64];
  const int n = GetClassNameW(wnd, buffer, 64);
  return n > 0 && lstrcmpiW(buffer, name) == 0;
}

// Whether no other window covers area (screen coordinates) of window.
bool AreaUnobscured(HWND window, const RECT& area) {
  const bool maximised = IsZoomed(window) != FALSE;
  if (!maximised) {
    const ScreenBox desk = VirtualDesktopBox();
    if (area.left < desk.left || area.top < desk.top || area.right > desk.right ||
        area.bottom > desk.bottom) {
      return false;
    }
  }
  HWND top = window;
  if (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_MDICHILD) top = GetAncestor(window, GA_ROOT);
  for (HWND w = GetWindow(top, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
    if (!IsWindowVisible(w)) continue;
    const RECT r = win::VisibleWindowRect(w);
    if (r.right <= r.left || r.bottom <= r.top) continue;
    if (GetWindowTextLengthW(w) == 0 &&
        (ClassIs(w, L"SysShadow") || ClassIs(w, L"tooltips_class32"))) {
      continue;
    }
    const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
    if (maximised && (ex & WS_EX_TOPMOST) && (ex & WS_EX_TOOLWINDOW)) continue;
    if (RectsOverlap(r, area)) return false;
  }
  return true;
}

using PrintWindowFn = BOOL(WINAPI*)(HWND, HDC, UINT);

// The window draws itself into a canvas; the part at (x, y) of what it drew
// (whole window, or client area when client) is copied out.
bool PrintArea(HWND window, bool client, int x, int y, int width, int height, Bitmap* out) {
  RECT whole{};
  if (!GetWindowRect(window, &whole)) return false;
  int offsetX = x, offsetY = y;
  int canvasW = whole.right - whole.left, canvasH = whole.bottom - whole.top;
  UINT flags = 0;
  if (client) {
    RECT c{};
    GetClientRect(window, &c);
    canvasW = c.right;
    canvasH = c.bottom;
    flags = PW_CLIENTONLY;
  } else {
    // The visible frame begins inside the invisible resize border.
    const RECT frame = win::VisibleWindowRect(window);
    offsetX += frame.left - whole.left;
    offsetY += frame.top - whole.top;
  }
  // A window that is just being created may not have its size yet.
  for (int attempt = 0; attempt < 33; ++attempt) {
    if (canvasW > 0 && canvasH > 0) break;
    Sleep(40);
    RECT r{};
    if (client ? !GetClientRect(window, &r) : !GetWindowRect(window, &r)) return false;
    canvasW = r.right - r.left;
    canvasH = r.bottom - r.top;
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  bool ok = false;
  {
    DibCanvas canvas(screen, canvasW, canvasH);
    if (canvas.ok() && PrintWindow(window, canvas.dc(), flags)) {
      canvas.CopyOut(offsetX, offsetY, width, height, out);
      ok = true;
    }
  }
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace

bool ScreenImagesAvailable() {
  return true;
}

ScreenBox VirtualDesktopBox() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return ScreenBox{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool MeasureWindow(std::uintptr_t window, bool client, ScreenBox* rect) {
  HWND wnd = reinterpret_cast<HWND>(window);
  if (!wnd || !IsWindow(wnd)) return false;
  RECT r{};
  if (client) {
    if (!GetClientRect(wnd, &r)) return false;
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    OffsetRect(&r, origin.x, origin.y);
  } else {
    r = win::VisibleWindowRect(wnd);
  }
  *rect = ScreenBox{r.left, r.top, r.right, r.bottom};
  return true;
}

bool CaptureArea(const CaptureRequest& request, Bitmap* out) {
  const ScreenBox desk = VirtualDesktopBox();
  HWND wnd = reinterpret_cast<HWND>(request.window);
  int left = request.x, top = request.y, width = request.width, height = request.height;
  ScreenBox base = desk;
  if (wnd) {
    if (!MeasureWindow(request.window, request.client, &base)) return false;
    left += base.left;
    top += base.top;
  }
  if (width == 0) width = base.right - left;
  if (height == 0) height = base.bottom - top;
  width = std::min(width, desk.Width());
  height = std::min(height, desk.Height());
  if (width <= 0 || height <= 0) return false;

  bool print = false;
  if (wnd && request.mode == CaptureMode::kPrint) {
    print = true;
  } else if (wnd && request.mode == CaptureMode::kAuto && ClassIs(wnd, L"ApplicationFrameWindow")) {
    print = !AreaUnobscured(wnd, RECT{left, top, left + width, top + height});
  }
  if (print) {
    return PrintArea(wnd, request.client, left - base.left, top - base.top, width, height, out);
  }
  return ScreenCopy(left, top, width, height, out);
}

bool ReadClipboardDib(std::string* dib) {
  if (!IsClipboardFormatAvailable(CF_DIB) || !OpenClipboard(nullptr)) return false;
  bool ok = false;
  if (HANDLE data = GetClipboardData(CF_DIB)) {
    if (const void* p = GlobalLock(data)) {
      dib->assign(static_cast<const char*>(p), GlobalSize(data));
      GlobalUnlock(data);
      ok = true;
    }
  }
  CloseClipboard();
  return ok;
}

bool WriteClipboardDib(std::string_view dib) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  if (!memory) return false;
  void* p = GlobalLock(memory);
  if (!p) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(p, dib.data(), dib.size());
  GlobalUnlock(memory);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool ok = SetClipboardData(CF_DIB, memory) != nullptr;
  CloseClipboard();
  if (!ok) GlobalFree(memory);
  return ok;
}

}  // namespace zelk::os
