// Screen size, colour depth and cursor position from the window manager.
#include <windows.h>

#include "platform/desktop.h"

namespace zelk::os {
namespace {

using GetDeviceCapsFn = int(WINAPI*)(HDC, int);

// gdi32 is not among the libraries the core links; user32 has it loaded
// already, so the one call is looked up there.
GetDeviceCapsFn DeviceCaps() {
  static const GetDeviceCapsFn fn = [] {
    HMODULE gdi = GetModuleHandleW(L"gdi32.dll");
    if (!gdi) gdi = LoadLibraryW(L"gdi32.dll");
    return gdi ? reinterpret_cast<GetDeviceCapsFn>(
                     reinterpret_cast<void*>(GetProcAddress(gdi, "GetDeviceCaps")))
               : nullptr;
  }();
  return fn;
}

}  // namespace

int VirtualScreenWidth() {
  return GetSystemMetrics(SM_CXVIRTUALSCREEN);
}
int VirtualScreenHeight() {
  return GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

int ScreenColorDepth() {
  GetDeviceCapsFn caps = DeviceCaps();
  if (!caps) return 0;
  HDC dc = GetDC(nullptr);
  if (!dc) return 0;
  int depth = caps(dc, PLANES) * caps(dc, BITSPIXEL);
  ReleaseDC(nullptr, dc);
  return depth;
}

void CursorPosition(int* x, int* y) {
  POINT p{};
  if (!GetCursorPos(&p)) p = POINT{};
  *x = p.x;
  *y = p.y;
}

}  // namespace zelk::os
