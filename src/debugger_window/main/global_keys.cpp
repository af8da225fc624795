#include "debugger_window/main/global_keys.h"

#include <algorithm>

#include "debugger_window/main/main_window.h"

namespace zelk::window {
namespace {

// One hook for the process: there is one main window.
HHOOK hook = nullptr;
HWND target = nullptr;
std::array<int, 5> runKeys{};

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
    const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &process);
    if (IsGlobalRunKey(key, runKeys, process)) {
      PostMessageW(target, kMsgHotkey, key.vkCode, message == WM_SYSKEYDOWN ? 260 : 256);
    }
  }
  return CallNextHookEx(hook, code, message, data);
}

}  // namespace

bool IsGlobalRunKey(const KBDLLHOOKSTRUCT& key, const std::array<int, 5>& codes,
                    DWORD foregroundProcess) {
  if (key.flags & LLKHF_INJECTED) return false;
  // In front, the window has the key itself.
  if (foregroundProcess == GetCurrentProcessId()) return false;
  const int vk = static_cast<int>(key.vkCode);
  return vk != 0 && std::find(codes.begin(), codes.end(), vk) != codes.end();
}

void StartGlobalRunKeys(HWND window, const std::array<int, 5>& codes) {
  StopGlobalRunKeys();
  target = window;
  runKeys = codes;
  hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleW(nullptr), 0);
}

void StopGlobalRunKeys() {
  if (hook) UnhookWindowsHookEx(hook);
  hook = nullptr;
}

}  // namespace zelk::window
