// The input lock (BlockInput or low-level hooks), the latched mouse buttons,
// script hot keys and touch injection.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

#include "platform/input.h"

namespace zelk::os {
namespace {

constexpr ULONG_PTR kOwnInput = 1;

// A thread with its own message loop that holds low-level hooks: they are
// called on it, so a script busy in a loop cannot make them time out.
class HookThread {
 public:
  using Install = void (*)(HHOOK hooks[2]);

  bool Start(Install install) {
    Stop();
    std::promise<bool> ready;
    std::future<bool> started = ready.get_future();
    thread_ = std::thread([this, install, &ready] {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
      threadId_ = GetCurrentThreadId();
      install(hooks_);
      ready.set_value(hooks_[0] || hooks_[1]);
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      Unhook();
    });
    return started.get();
  }
  void Stop() {
    if (!thread_.joinable()) return;
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  void Unhook() {
    for (HHOOK& hook : hooks_) {
      if (hook) UnhookWindowsHookEx(hook);
      hook = nullptr;
    }
  }
  bool Active() const { return thread_.joinable(); }
  ~HookThread() { Stop(); }

 private:
  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  HHOOK hooks_[2] = {nullptr, nullptr};
};

struct LockState {
  std::atomic<HWND> target{nullptr};
  std::atomic<int> devices{0};
  std::atomic<bool> ctrl{false}, alt{false}, del{false};
  std::atomic<bool> outsidePress{false};
  std::atomic<bool> released{false};  // Ctrl+Alt+Delete took the hooks away
};
LockState lockState;
HookThread lockThread;

bool TargetIsForeground() {
  HWND target = lockState.target.load();
  return !target || GetForegroundWindow() == target;
}

LRESULT CALLBACK LockKeyboard(int code, WPARAM wparam, LPARAM lparam) {
  if (code != HC_ACTION || lockState.released.load())
    return CallNextHookEx(nullptr, code, wparam, lparam);
  const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
  if (event->dwExtraInfo == kOwnInput) return CallNextHookEx(nullptr, code, wparam, lparam);
  const bool down = wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN;
  switch (event->vkCode) {
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
      lockState.ctrl = down;
      break;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
      lockState.alt = down;
      break;
    case VK_DELETE:
      lockState.del = down;
      break;
    default:
      break;
  }
  if (lockState.ctrl && lockState.alt && lockState.del) {
    // The emergency release: the user gets the keyboard and mouse back.
    lockState.released = true;
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  if (TargetIsForeground()) return 1;
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK LockMouse(int code, WPARAM wparam, LPARAM lparam) {
  if (code != HC_ACTION || lockState.released.load())
    return CallNextHookEx(nullptr, code, wparam, lparam);
  const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam);
  if (event->dwExtraInfo == kOwnInput) return CallNextHookEx(nullptr, code, wparam, lparam);
  HWND target = lockState.target.load();
  if (!target) return 1;
  if (wparam == WM_MOUSEMOVE || wparam == WM_NCMOUSEMOVE) {
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  HWND under = GetAncestor(WindowFromPoint(event->pt), GA_ROOT);
  if (under != target) {
    lockState.outsidePress = true;
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  if (wparam == WM_LBUTTONUP && lockState.outsidePress.exchange(false)) {
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  return 1;
}

void InstallLockHooks(HHOOK hooks[2]) {
  HINSTANCE self = GetModuleHandleW(nullptr);
  const int devices = lockState.devices.load();
  if (devices != 2) hooks[0] = SetWindowsHookExW(WH_KEYBOARD_LL, LockKeyboard, self, 0);
  if (devices != 1) hooks[1] = SetWindowsHookExW(WH_MOUSE_LL, LockMouse, self, 0);
}

std::atomic<bool> latched[3];
HookThread latchThread;
std::mutex latchMutex;

LRESULT CALLBACK LatchMouse(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION) {
    if (wparam == WM_LBUTTONDOWN) latched[0] = true;
    if (wparam == WM_RBUTTONDOWN) latched[1] = true;
    if (wparam == WM_MBUTTONDOWN) latched[2] = true;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void InstallLatch(HHOOK hooks[2]) {
  hooks[0] = SetWindowsHookExW(WH_MOUSE_LL, LatchMouse, GetModuleHandleW(nullptr), 0);
}

// Hot keys arrive at a message-only window of the registering thread.
struct HotKeyWindow {
  HWND window = nullptr;
  HotKeyCallback callback[256] = {};
  void* data[256] = {};
};
thread_local HotKeyWindow hotKeys;

LRESULT CALLBACK HotKeyProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HOTKEY && wparam < 256) {
    const int slot = static_cast<int>(wparam);
    if (HotKeyCallback callback = hotKeys.callback[slot]) callback(slot, hotKeys.data[slot]);
    return 0;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

HWND HotKeyTarget() {
  if (hotKeys.window) return hotKeys.window;
  static const ATOM atom = [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = HotKeyProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"ZelkScriptHotKeys";
    return RegisterClassW(&cls);
  }();
  if (!atom) return nullptr;
  hotKeys.window = CreateWindowExW(0, L"ZelkScriptHotKeys", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
  return hotKeys.window;
}

}  // namespace

namespace {

// Only the thread that blocked input can unblock it, and its end unblocks it
// too: the block lives on a thread of its own, so that whichever thread ends
// a run can lift it.
std::mutex blockMutex;
std::thread blockThread;
HANDLE blockRelease = nullptr;

void LiftBlock() {
  if (!blockThread.joinable()) return;
  SetEvent(blockRelease);
  blockThread.join();
  CloseHandle(blockRelease);
  blockRelease = nullptr;
}

// A block still held when the program ends is lifted before its thread object goes.
struct BlockAtExit {
  ~BlockAtExit() {
    std::lock_guard<std::mutex> guard(blockMutex);
    LiftBlock();
  }
} blockAtExit;

}  // namespace

bool BlockAllInput(bool block) {
  std::lock_guard<std::mutex> guard(blockMutex);
  LiftBlock();
  if (!block) return true;
  blockRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!blockRelease) return false;
  std::promise<bool> blocked;
  std::future<bool> result = blocked.get_future();
  blockThread = std::thread([&blocked, release = blockRelease] {
    const bool ok = BlockInput(TRUE) != 0;
    blocked.set_value(ok);
    if (!ok) return;
    WaitForSingleObject(release, INFINITE);
    BlockInput(FALSE);
  });
  if (result.get()) return true;
  // Refused: nothing to hold, and no thread may outlive the program.
  blockThread.join();
  CloseHandle(blockRelease);
  blockRelease = nullptr;
  return false;
}

bool StartInputHooks(WindowHandle target, int devices) {
  StopInputHooks();
  lockState.target = reinterpret_cast<HWND>(target);
  lockState.devices = devices;
  lockState.ctrl = lockState.alt = lockState.del = false;
  lockState.outsidePress = false;
  lockState.released = false;
  return lockThread.Start(InstallLockHooks);
}

void StopInputHooks() {
  lockThread.Stop();
}

bool InputHooksActive() {
  return lockThread.Active() && !lockState.released.load();
}

bool TakeLatchedButton(int button) {
  {
    std::lock_guard<std::mutex> guard(latchMutex);
    if (!latchThread.Active()) latchThread.Start(InstallLatch);
  }
  return latched[button].exchange(false);
}

void StopButtonLatch() {
  std::lock_guard<std::mutex> guard(latchMutex);
  latchThread.Stop();
  for (auto& flag : latched) flag = false;
}

bool RegisterScriptHotKey(int slot, unsigned modifiers, unsigned key, HotKeyCallback callback,
                          void* data) {
  if (slot < 0 || slot >= 256) return false;
  HWND window = HotKeyTarget();
  if (!window) return false;
  hotKeys.callback[slot] = callback;
  hotKeys.data[slot] = data;
  return RegisterHotKey(window, slot, modifiers, key) != 0;
}

void UnregisterScriptHotKey(int slot) {
  if (slot < 0 || slot >= 256 || !hotKeys.window) return;
  UnregisterHotKey(hotKeys.window, slot);
  hotKeys.callback[slot] = nullptr;
}

namespace {

// The touch injection API is looked up at run time: older systems and Wine lack it.
struct TouchApi {
  BOOL(WINAPI* initialize)(UINT32, DWORD) = nullptr;
  BOOL(WINAPI* inject)(UINT32, const POINTER_TOUCH_INFO*) = nullptr;
};

const TouchApi& Touch() {
  static const TouchApi api = [] {
    TouchApi t;
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (!user) return t;
    t.initialize = reinterpret_cast<decltype(t.initialize)>(
        reinterpret_cast<void*>(GetProcAddress(user, "InitializeTouchInjection")));
    t.inject = reinterpret_cast<decltype(t.inject)>(
        reinterpret_cast<void*>(GetProcAddress(user, "InjectTouchInput")));
    if (t.initialize && !t.initialize(2, 1 /* TOUCH_FEEDBACK_DEFAULT */)) t.inject = nullptr;
    return t;
  }();
  return api;
}

POINTER_TOUCH_INFO Contact(int id, int x, int y, POINTER_FLAGS flags) {
  POINTER_TOUCH_INFO info{};
  info.pointerInfo.pointerType = PT_TOUCH;
  info.pointerInfo.pointerId = static_cast<UINT32>(id);
  info.pointerInfo.ptPixelLocation = POINT{x, y};
  info.pointerInfo.pointerFlags = flags;
  info.touchFlags = TOUCH_FLAG_NONE;
  info.touchMask = TOUCH_MASK_CONTACTAREA | TOUCH_MASK_ORIENTATION | TOUCH_MASK_PRESSURE;
  info.orientation = 90;
  info.pressure = 32000;
  info.rcContact = RECT{x - 2, y - 2, x + 2, y + 2};
  return info;
}

}  // namespace

bool TouchAvailable() {
  return Touch().inject != nullptr;
}

bool InjectTouch(int contacts, const int downX[], const int downY[], const int upX[],
                 const int upY[], int stepMs) {
  const TouchApi& api = Touch();
  if (!api.inject || contacts < 1 || contacts > 2) return false;
  POINTER_TOUCH_INFO info[2];
  for (int i = 0; i < contacts; ++i) {
    info[i] = Contact(i, downX[i], downY[i],
                      POINTER_FLAG_DOWN | POINTER_FLAG_INRANGE | POINTER_FLAG_INCONTACT);
  }
  if (!api.inject(static_cast<UINT32>(contacts), info)) return false;
  int steps = 0;
  for (int i = 0; i < contacts; ++i) {
    steps = std::max({steps, std::abs(upX[i] - downX[i]), std::abs(upY[i] - downY[i])});
  }
  for (int s = 1; s <= steps; ++s) {
    for (int i = 0; i < contacts; ++i) {
      const int x = downX[i] + (upX[i] - downX[i]) * s / steps;
      const int y = downY[i] + (upY[i] - downY[i]) * s / steps;
      info[i] =
          Contact(i, x, y, POINTER_FLAG_UPDATE | POINTER_FLAG_INRANGE | POINTER_FLAG_INCONTACT);
    }
    if (!api.inject(static_cast<UINT32>(contacts), info)) return false;
    if (stepMs > 0) Sleep(static_cast<DWORD>(stepMs));
  }
  for (int i = 0; i < contacts; ++i) info[i] = Contact(i, upX[i], upY[i], POINTER_FLAG_UP);
  return api.inject(static_cast<UINT32>(contacts), info) != 0;
}

}  // namespace zelk::os
