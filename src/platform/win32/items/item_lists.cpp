// List boxes (single and multiple selection) and combo boxes by entry text.
#include <string>
#include <vector>

#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/window_utils.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

constexpr std::size_t kEntryChars = 2048;

bool IsCombo(HWND control) {
  const std::u16string cls = UpperClassOf(control);
  return cls.find(u"COMBOBOX") != cls.npos || cls.find(u"COLORBOX") != cls.npos;
}

// One entry's text: the length is asked first, since the text message has
// no size of its own; long entries are cut.
std::u16string EntryText(HWND control, bool combo, int index) {
  const LRESULT length =
      Ask(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0 || length > 0x100000) return u"";
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const LRESULT got = Ask(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                          reinterpret_cast<LPARAM>(text.data()));
  if (got <= 0) return u"";
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(got), kEntryChars));
  return text;
}

// The entry the search asks for in control, or -1; n counts entries over
// every list searched with CLK_OFTHIS, else the first match is taken.
int FindEntry(Search& search, HWND control, bool combo) {
  const int count = static_cast<int>(Ask(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
  const bool counting = search.Has(kOfThis);
  for (int i = 0; i < count && !search.Stopped(); ++i) {
    if (!search.Matches(EntryText(control, combo, i), false)) continue;
    if (!counting || search.Counts()) return i;
  }
  return -1;
}

RECT EntryRect(HWND list, int index) {
  RECT r{};
  Ask(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

bool SelectInSingleList(Search& search, HWND list, int index) {
  ActivateUnlessBack(search);
  if (search.Has(kMouseMove | kClickOptions)) {
    Ask(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    const RECT r = EntryRect(list, index);
    const int x = r.left + 4;
    const int y = (r.top + r.bottom) / 2;
    if (search.Has(kMouseMove)) CursorTo(list, x, y);
    if (search.ClickOption()) {
      PostClick(search.query.kinds, list, x, y);
      return true;
    }
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) {
      Pause(50);
      Passes(20);
    }
    Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ArrowNudge(search, list, index == 0, false);
    if (Ask(list, LB_GETCURSEL, 0, 0) == index) return true;
  }
  return false;
}

// Every name of the selection must be there; only then is the selection
// replaced, so a failed request leaves the list as it was.
bool SelectInMultipleList(Search& search, HWND list) {
  std::vector<os::ItemNameMatch> names = search.query.selection;
  if (names.empty()) names.push_back(search.query.name);
  const int count = static_cast<int>(Ask(list, LB_GETCOUNT, 0, 0));
  std::vector<bool> named(names.size(), false);
  std::vector<int> chosen;
  for (int i = 0; i < count && !search.Stopped(); ++i) {
    const std::u16string text = EntryText(list, false, i);
    bool any = false;
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (names[k] && names[k](text, false)) named[k] = any = true;
    }
    if (any) chosen.push_back(i);
  }
  for (bool one : named) {
    if (!one) return false;
  }
  if (search.CheckOnly()) return true;
  ActivateUnlessBack(search);
  Ask(list, LB_SETSEL, FALSE, -1);
  if (names.size() == 1) Ask(list, LB_SETCURSEL, static_cast<WPARAM>(chosen.front()), 0);
  for (int i : chosen) Ask(list, LB_SETSEL, TRUE, i);
  return true;
}

// Keeps the real cursor off the drop-down while CLK_BACK selects in it.
class ParkedCursor {
 public:
  ParkedCursor(HWND combo, bool park) : parked_(park && GetCursorPos(&saved_)) {
    if (!parked_) return;
    RECT r{};
    GetWindowRect(combo, &r);
    int x = r.right + 4;
    if (x >= GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN)) {
      x = r.left - 4;
    }
    SetCursorPos(x, (r.top + r.bottom) / 2);
  }
  ~ParkedCursor() {
    if (parked_) SetCursorPos(saved_.x, saved_.y);
  }
  ParkedCursor(const ParkedCursor&) = delete;
  ParkedCursor& operator=(const ParkedCursor&) = delete;

 private:
  POINT saved_{};
  bool parked_;
};

bool SelectInCombo(Search& search, HWND combo, int index) {
  ActivateUnlessBack(search);
  if (search.Has(kMouseMove)) CursorTo(combo, 0, 0);
  ParkedCursor parked(combo, search.Has(kBack));
  const ULONG_PTR classStyle = GetClassLongPtrW(combo, GCL_STYLE);
  const bool drop = (classStyle & (CS_VREDRAW | CS_HREDRAW)) != 0;
  if (drop) {
    Ask(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Passes(20);
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) {
      Pause(100);
      Passes(20);
    }
    Ask(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ArrowNudge(search, combo, index == 0, false);
    if (Ask(combo, CB_GETCURSEL, 0, 0) == index) {
      if (drop && Ask(combo, CB_GETDROPPEDSTATE, 0, 0)) KeyToControl(search, combo, VK_RETURN);
      return true;
    }
  }
  if (drop) Ask(combo, CB_SHOWDROPDOWN, FALSE, 0);
  return false;
}

bool IsMultipleSelection(HWND list) {
  return (GetWindowLongPtrW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
}

}  // namespace

bool SearchLists(Search& search) {
  const std::vector<HWND> lists = ChildControls(search, kList);
  // Without CLK_OFTHIS n is the list, not the entry.
  const bool oneList = !search.Has(kOfThis) && search.query.n > 0;
  for (std::size_t i = 0; i < lists.size() && !search.Stopped(); ++i) {
    if (oneList && static_cast<int>(i) + 1 != search.query.n) continue;
    HWND list = lists[i];
    const bool combo = IsCombo(list);
    if (!combo && IsMultipleSelection(list)) {
      if (SelectInMultipleList(search, list)) {
        search.Found(kList, 1);
        return true;
      }
    } else if (const int index = FindEntry(search, list, combo); index >= 0) {
      if (search.CheckOnly() ||
          (combo ? SelectInCombo(search, list, index) : SelectInSingleList(search, list, index))) {
        search.Found(kList, 1);
        return true;
      }
    }
    if (oneList) return false;
  }
  return false;
}

}  // namespace zelk::win::items
