// The primitives every kind acts through, and the classic search's order.
#include <exception>
#include <utility>

#include "platform/platform.h"
#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/window_utils.h"
#include "platform/windowing.h"

namespace zelk::win::items {

using namespace os::item_kind;

std::vector<HWND> ChildControls(const Search& search, std::uint32_t kind) {
  std::vector<HWND> controls;
  const bool anyEnabled = search.query.includeDisabled || search.CheckOnly();
  for (const os::ListedWindow& child :
       os::ListWindows(reinterpret_cast<os::WindowHandle>(search.window), search.query.stop)) {
    HWND h = reinterpret_cast<HWND>(child.handle);
    if (!(ClassKinds(child.className) & kind)) continue;
    if (!anyEnabled && !IsWindowEnabled(h)) continue;
    // The combo box inside a ComboBoxEx is the same list once more.
    if ((kind & kList) && child.className.find(u"COMBOBOXEX") == std::u16string::npos &&
        UpperClassOf(GetParent(h)).find(u"COMBOBOXEX") != std::u16string::npos) {
      continue;
    }
    controls.push_back(h);
  }
  return controls;
}

LRESULT Ask(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(control, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &answer)) {
    return 0;
  }
  return static_cast<LRESULT>(answer);
}

void Passes(int n) {
  PumpMessages(n);
}

void Pause(int ms) {
  os::SleepPumping(ms);
}

void ActivateUnlessBack(const Search& search) {
  if (!search.Has(kBack))
    os::ForceActivate(reinterpret_cast<os::WindowHandle>(search.window), false);
}

void FocusControl(const Search& search, HWND control) {
  if (search.Has(kBack)) return;
  const DWORD target = GetWindowThreadProcessId(control, nullptr);
  const DWORD own = GetCurrentThreadId();
  const bool attach = target != own && AttachThreadInput(own, target, TRUE);
  SetForegroundWindow(search.window);
  SetFocus(control);
  if (attach) AttachThreadInput(own, target, FALSE);
}

namespace {

// The posted messages run ahead of whatever else the machine does.
class RaisedPriority {
 public:
  RaisedPriority() : saved_(GetPriorityClass(GetCurrentProcess())) {
    SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  }
  ~RaisedPriority() {
    if (saved_) SetPriorityClass(GetCurrentProcess(), saved_);
  }
  RaisedPriority(const RaisedPriority&) = delete;
  RaisedPriority& operator=(const RaisedPriority&) = delete;

 private:
  DWORD saved_;
};

}  // namespace

void PostClick(std::uint32_t kinds, HWND control, int x, int y) {
  const LPARAM at = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
  RaisedPriority raised;
  if (kinds & kRightClick) {
    PostMessageW(control, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(control, WM_RBUTTONUP, 0, at);
    PostMessageW(control, WM_RBUTTONUP, 0, at);
    if (kinds & kDoubleClick) {
      PostMessageW(control, WM_RBUTTONDBLCLK, MK_RBUTTON, at);
      PostMessageW(control, WM_RBUTTONUP, 0, at);
      PostMessageW(control, WM_RBUTTONUP, 0, at);
    }
    return;
  }
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(control, WM_LBUTTONUP, 0, at);
  if (kinds & kDoubleClick) {
    PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
  }
}

void KeyToControl(const Search& search, HWND control, int virtualKey) {
  FocusControl(search, control);
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(control, WM_KEYDOWN, static_cast<WPARAM>(virtualKey),
                      static_cast<LPARAM>(1 | (scan << 16)), SMTO_ABORTIFHUNG, 1000, &answer);
  SendMessageTimeoutW(control, WM_KEYUP, static_cast<WPARAM>(virtualKey),
                      static_cast<LPARAM>(0xC0000001u | (scan << 16)), SMTO_ABORTIFHUNG, 1000,
                      &answer);
  // Whatever the keys made the program post is handled before we go on.
  SendMessageTimeoutW(control, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
  SendMessageTimeoutW(search.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
}

void ArrowNudge(const Search& search, HWND control, bool atFirst, bool horizontal) {
  const int back = horizontal ? VK_LEFT : VK_UP;
  const int forth = horizontal ? VK_RIGHT : VK_DOWN;
  // The two steps would flicker; the window is drawn once when they are done.
  const bool locked = LockWindowUpdate(search.window) != 0;
  KeyToControl(search, control, atFirst ? forth : back);
  KeyToControl(search, control, atFirst ? back : forth);
  if (locked) LockWindowUpdate(nullptr);
  Passes(20);
}

void CursorTo(HWND control, int x, int y) {
  POINT p{x, y};
  ClientToScreen(control, &p);
  SetCursorPos(p.x, p.y);
}

}  // namespace zelk::win::items

namespace zelk::os {

ItemAnswer FindWin32Item(WindowHandle window, const ItemQuery& query) {
  using namespace win::items;
  HWND h = reinterpret_cast<HWND>(window);
  Search search{h, query};
  if (!IsWindow(h)) return search.answer;
  // Each kind counts n afresh: n is the n-th match of the kind that has it.
  auto attempt = [&](std::uint32_t kind, auto&& run) {
    if (search.answer.found || search.Stopped() || !(query.kinds & kind)) return;
    search.seen = 0;
    run();
  };
  attempt(item_kind::kButton, [&] { SearchButtons(search); });
  attempt(item_kind::kList, [&] { SearchLists(search); });
  attempt(item_kind::kTab, [&] { SearchTabs(search); });
  attempt(item_kind::kMenu, [&] { SearchMenus(search); });
  attempt(item_kind::kTreeView, [&] { SearchTrees(search); });
  attempt(item_kind::kListView, [&] { SearchListViews(search); });
  attempt(item_kind::kToolbar, [&] {
    if (!SearchToolbars(search) && !search.Stopped()) {
      search.seen = 0;
      SearchMenus(search);
    }
  });
  return search.answer;
}

}  // namespace zelk::os
