// Commands of the window's menu bar, by caption or by path.
#include <string>

#include "platform/win32/items/item_engine.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

std::u16string Caption(HMENU menu, int position) {
  wchar_t text[257];
  const int n = GetMenuStringW(menu, static_cast<UINT>(position), text, 257, MF_BYPOSITION);
  if (n <= 0) return u"";
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(n));
}

// Where an item sits: its menu, its position there, and (for a popup) the
// popup's position in the menu above, which WM_INITMENUPOPUP reports.
struct Place {
  HMENU menu;
  int position;
  int popupPosition;  // -1 in the menu bar
};

class MenuSearch {
 public:
  explicit MenuSearch(Search& search) : search_(search) {}

  bool Run(HMENU bar) {
    bar_ = bar;
    const os::ItemQuery& q = search_.query;
    if (!q.isPath) return Walk(bar, -1, 0);
    if (q.path.empty()) return false;
    HMENU level = bar;
    int levelPosition = -1;
    for (std::size_t part = 0; part + 1 < q.path.size(); ++part) {
      const int position = FindSubmenu(level, q.path[part]);
      if (position < 0) return false;
      levelPosition = position;
      level = GetSubMenu(level, position);
      Prepare(level, levelPosition);
    }
    const os::ItemNameMatch& last = q.path.back();
    const int count = GetMenuItemCount(level);
    for (int i = 0; i < count && !search_.Stopped(); ++i) {
      if (GetSubMenu(level, i) || !last(Caption(level, i), true)) continue;
      if (Take(Place{level, i, levelPosition})) return true;
    }
    return false;
  }

 private:
  int FindSubmenu(HMENU menu, const os::ItemNameMatch& part) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
      if (GetSubMenu(menu, i) && part(Caption(menu, i), true)) return i;
    }
    return -1;
  }

  // A program may fill a popup only when it opens.
  void Prepare(HMENU popup, int position) {
    Ask(search_.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, 0));
    Passes(4);
  }

  // Depth first: an item that opens a popup is gone into, not matched.
  bool Walk(HMENU menu, int popupPosition, int depth) {
    if (depth > 32) return false;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count && !search_.Stopped(); ++i) {
      if (HMENU sub = GetSubMenu(menu, i)) {
        if (Walk(sub, i, depth + 1)) return true;
        continue;
      }
      if (!search_.Matches(Caption(menu, i), true)) continue;
      if (Take(Place{menu, i, popupPosition})) return true;
    }
    return false;
  }

  // A disabled item is passed over as if it did not match.
  bool Take(const Place& place) {
    if (place.menu != bar_) Prepare(place.menu, place.popupPosition);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_ID;
    if (!GetMenuItemInfoW(place.menu, static_cast<UINT>(place.position), TRUE, &info)) {
      return false;
    }
    if (info.fState & (MFS_DISABLED | MFS_GRAYED)) return false;
    if (!search_.Counts()) return false;
    ActivateUnlessBack(search_);
    const bool checked = (info.fState & MFS_CHECKED) != 0;
    if (search_.CheckOnly()) {
      search_.Found(kMenu, checked ? 1 : 0);
      return true;
    }
    if (checked != (search_.query.check != 0)) {
      Passes(10);
      PostMessageW(search_.window, WM_COMMAND, MAKEWPARAM(info.wID, 0), 0);
    }
    search_.Found(kMenu, checked ? 1 : 0);
    return true;
  }

  Search& search_;
  HMENU bar_ = nullptr;
};

}  // namespace

bool SearchMenus(Search& search) {
  HMENU bar = GetMenu(search.window);
  if (!bar || !IsMenu(bar)) return false;
  Ask(search.window, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
  return MenuSearch(search).Run(bar);
}

}  // namespace zelk::win::items
