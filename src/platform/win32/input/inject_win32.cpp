// Injected mouse and key events, key and cursor states, and the direct mode's
// posted messages.
#include <windows.h>

#include "platform/input.h"
#include "platform/platform.h"

namespace zelk::os {
namespace {

// The extra-info marker of the interpreter's own input: the lock's hooks let it through.
constexpr ULONG_PTR kOwnInput = 1;

HWND H(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}

void Send(INPUT& input) {
  SendInput(1, &input, sizeof input);
}

}  // namespace

ScreenRect VirtualDesktop() {
  return ScreenRect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void SetCursorAt(int x, int y) {
  SetCursorPos(x, y);
}

void CursorAt(int* x, int* y) {
  POINT p{};
  GetCursorPos(&p);
  *x = p.x;
  *y = p.y;
}

void InjectButton(MouseButton button, bool down) {
  static constexpr DWORD kDown[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN,
                                    MOUSEEVENTF_MIDDLEDOWN};
  static constexpr DWORD kUp[] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP};
  INPUT input{};
  input.type = INPUT_MOUSE;
  const int i = static_cast<int>(button);
  input.mi.dwFlags = down ? kDown[i] : kUp[i];
  input.mi.dwExtraInfo = kOwnInput;
  Send(input);
}

void InjectWheel(int amount) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = static_cast<DWORD>(amount);
  input.mi.dwExtraInfo = kOwnInput;
  Send(input);
}

bool ButtonsSwapped() {
  return GetSystemMetrics(SM_SWAPBUTTON) != 0;
}

void InjectKey(int key, bool down, bool extended) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  if (key >= 256) {
    input.ki.wScan = static_cast<WORD>(key);
    input.ki.dwFlags = KEYEVENTF_UNICODE;
  } else {
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(static_cast<UINT>(key), 0));
    if (extended) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  if (!down) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  input.ki.dwExtraInfo = kOwnInput;
  // The system's asynchronous state is read before and after, so that it is current.
  if (key < 256) GetAsyncKeyState(key);
  Send(input);
  if (key < 256) GetAsyncKeyState(key);
}

bool AsyncKeyDown(int key) {
  return (GetAsyncKeyState(key) & 0x8000) != 0;
}

bool KeyToggled(int key) {
  return (GetKeyState(key) & 1) != 0;
}

bool ImeOpen() {
  using DefaultImeFn = HWND(WINAPI*)(HWND);
  static const DefaultImeFn defaultIme = [] {
    HMODULE imm = LoadLibraryW(L"imm32.dll");
    return imm ? reinterpret_cast<DefaultImeFn>(
                     reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetDefaultIMEWnd")))
               : nullptr;
  }();
  HWND fore = GetForegroundWindow();
  if (!defaultIme || !fore) return false;
  HWND ime = defaultIme(fore);
  if (!ime) return false;
  constexpr WPARAM kGetOpenStatus = 5;  // IMC_GETOPENSTATUS
  DWORD_PTR open = 0;
  SendMessageTimeoutW(ime, WM_IME_CONTROL, kGetOpenStatus, 0, SMTO_ABORTIFHUNG, 1000, &open);
  return open != 0;
}

std::int64_t CursorShape() {
  static const HCURSOR* cursors = [] {
    static const LPCWSTR kIds[] = {IDC_APPSTARTING, IDC_ARROW,   IDC_CROSS,    IDC_HAND,
                                   IDC_HELP,        IDC_IBEAM,   IDC_ICON,     IDC_NO,
                                   IDC_SIZE,        IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS,
                                   IDC_SIZENWSE,    IDC_SIZEWE,  IDC_UPARROW,  IDC_WAIT};
    static HCURSOR loaded[16];
    for (int i = 0; i < 16; ++i) loaded[i] = LoadCursorW(nullptr, kIds[i]);
    return loaded;
  }();
  POINT p{};
  GetCursorPos(&p);
  HWND under = WindowFromPoint(p);
  const DWORD target = under ? GetWindowThreadProcessId(under, nullptr) : 0;
  const DWORD self = GetCurrentThreadId();
  const bool attach = target && target != self && AttachThreadInput(self, target, TRUE);
  HCURSOR current = GetCursor();
  if (attach) AttachThreadInput(self, target, FALSE);
  for (int i = 0; i < 16; ++i) {
    if (current && current == cursors[i]) return i + 1;
  }
  return -static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(current));
}

WindowHandle FocusedChild(WindowHandle window) {
  HWND h = H(window);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(h, nullptr);
  if (thread && GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
      (info.hwndFocus == h || IsChild(h, info.hwndFocus))) {
    return reinterpret_cast<WindowHandle>(info.hwndFocus);
  }
  return window;
}

WindowHandle ChildAtClientPoint(WindowHandle window, int x, int y) {
  POINT p{x, y};
  HWND child = ChildWindowFromPointEx(H(window), p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
  return child ? reinterpret_cast<WindowHandle>(child) : window;
}

void PostKey(WindowHandle target, int key, bool down, const int modifiers[3]) {
  HWND h = H(target);
  if (!IsWindow(h)) return;
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), 0);
  LPARAM lparam = 1 | (static_cast<LPARAM>(scan) << 16);
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_DIVIDE:
      lparam |= 1 << 24;
      break;
    default:
      break;
  }
  if (!down) lparam |= static_cast<LPARAM>(0xC0000000u);
  const bool virtualModifiers = modifiers[0] || modifiers[1] || modifiers[2];
  const DWORD thread = GetWindowThreadProcessId(h, nullptr);
  const DWORD self = GetCurrentThreadId();
  BYTE saved[256];
  bool attached = false;
  if (virtualModifiers && thread != self) {
    attached = AttachThreadInput(self, thread, TRUE) != 0;
  }
  if (virtualModifiers) {
    GetKeyboardState(saved);
    BYTE state[256];
    memcpy(state, saved, sizeof state);
    static constexpr int kGeneric[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i) {
      if (modifiers[i]) state[kGeneric[i]] = state[modifiers[i] & 0xFF] = 0x80;
    }
    SetKeyboardState(state);
  }
  PostMessageW(h, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(key), lparam);
  if (virtualModifiers) {
    // The target reads the state when it takes the message.
    Sleep(20);
    SetKeyboardState(saved);
  }
  if (attached) AttachThreadInput(self, thread, FALSE);
}

void PostButton(WindowHandle target, int button, bool down, int x, int y, unsigned state) {
  static constexpr UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static constexpr UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  const LPARAM point = static_cast<LPARAM>((x & 0xFFFF) | ((y & 0xFFFF) << 16));
  PostMessageW(H(target), down ? kDown[button] : kUp[button], state, point);
}

void PostMouseMove(WindowHandle target, int x, int y, unsigned state) {
  const LPARAM point = static_cast<LPARAM>((x & 0xFFFF) | ((y & 0xFFFF) << 16));
  PostMessageW(H(target), WM_MOUSEMOVE, state, point);
}

}  // namespace zelk::os
