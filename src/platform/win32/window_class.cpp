#include "platform/win32/window_class.h"

namespace zelk::win {

void RegisterWindowClass(const wchar_t* name, WNDPROC proc, LPCWSTR cursor, COLORREF background,
                         UINT style) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(instance, name, &wc)) return;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, cursor);
  // The brush lives as long as the class, that is as long as the program.
  if (background != CLR_INVALID) wc.hbrBackground = CreateSolidBrush(background);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

}  // namespace zelk::win
