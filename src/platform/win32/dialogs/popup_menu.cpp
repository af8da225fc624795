// POPUPMENU: a pop-up menu with nested submenus, kept while the same text
// asks for it again.
#include <mutex>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/window_class.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

const wchar_t kOwnerClass[] = L"TUzelkMenuOwner";

struct BuiltMenu {
  std::u16string key;
  HMENU menu = nullptr;
  DWORD thread = 0;
};

BuiltMenu& LastMenu() {
  static BuiltMenu last;
  return last;
}

HMENU Build(const std::vector<MenuEntry>& entries) {
  const std::size_t n = entries.size();
  std::vector<HMENU> submenus(n, nullptr);
  for (const MenuEntry& e : entries) {
    if (e.parent >= 0 && static_cast<std::size_t>(e.parent) < n &&
        submenus[static_cast<std::size_t>(e.parent)] == nullptr) {
      submenus[static_cast<std::size_t>(e.parent)] = CreatePopupMenu();
    }
  }
  HMENU root = CreatePopupMenu();
  for (std::size_t i = 0; i < n; ++i) {
    const MenuEntry& e = entries[i];
    HMENU into = e.parent >= 0 ? submenus[static_cast<std::size_t>(e.parent)] : root;
    const auto* caption = reinterpret_cast<const wchar_t*>(e.caption.c_str());
    // Identifiers are the positions plus one: 0 means nothing was chosen.
    if (submenus[i]) {
      AppendMenuW(into, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(submenus[i]), caption);
    } else {
      AppendMenuW(into, MF_STRING, i + 1, caption);
    }
  }
  return root;
}

HWND Owner() {
  win::RegisterWindowClass(kOwnerClass, DefWindowProcW, IDC_ARROW);
  return CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int ShowPopupMenu(const std::u16string& key, const std::vector<MenuEntry>& entries, int x, int y,
                  bool atCursor) {
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  BuiltMenu& last = LastMenu();
  const DWORD thread = GetCurrentThreadId();
  if (last.menu == nullptr || last.key != key || last.thread != thread || !IsMenu(last.menu)) {
    if (last.menu && IsMenu(last.menu)) DestroyMenu(last.menu);
    last.menu = Build(entries);
    last.key = key;
    last.thread = thread;
  }
  if (last.menu == nullptr) return kNoDialogPosition;
  win::PumpMessages(20);
  POINT at{x, y};
  if (atCursor) GetCursorPos(&at);
  HWND owner = Owner();
  if (owner == nullptr) return kNoDialogPosition;
  // The owner must be in front, or the menu would not close when the user
  // clicks elsewhere.
  ShowWindow(owner, SW_SHOW);
  SetForegroundWindow(owner);
  const int id = static_cast<int>(
      TrackPopupMenuEx(last.menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, at.x,
                       at.y, owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  win::PumpMessages(10);
  DestroyWindow(owner);
  return id > 0 ? id - 1 : -1;
}

}  // namespace zelk::os
