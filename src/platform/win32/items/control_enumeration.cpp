#include "platform/win32/items/control_enumeration.h"

#include <algorithm>
#include <numeric>

#include "platform/control_items.h"
#include "platform/win32/window_utils.h"

namespace zelk::win {
namespace {

using namespace os::item_kind;

bool Has(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

bool IsBrowserPane(std::u16string_view upperClass) {
  return upperClass == u"INTERNET EXPLORER_SERVER";
}

struct Walk {
  std::vector<HWND>* all;
  const std::atomic<int>* stop;
};

BOOL CALLBACK CollectOne(HWND child, LPARAM data) {
  auto& walk = *reinterpret_cast<Walk*>(data);
  if (walk.stop && walk.stop->load(std::memory_order_relaxed) != 0) return FALSE;
  walk.all->push_back(child);
  return TRUE;
}

bool HasWindowScrollBars(HWND h) {
  return (GetWindowLongPtrW(h, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) != 0;
}

// A control that the accessibility search looks into: a leaf, the only
// child, a known host of accessible content, or a control showing at its
// own centre.
bool IsAccessibleCandidate(HWND child, std::u16string_view cls, std::uint32_t kinds,
                           std::size_t childCount) {
  if (Has(cls, u"ACTIVEX") && kinds != (kAcc | kOfThis)) return false;
  if (childCount == 1 || !GetWindow(child, GW_CHILD)) return true;
  if (cls == u"SHELLDLL_DEFVIEW" || cls == u"WMPAPPHOST" || IsBrowserPane(cls) ||
      cls == u"MOZILLAWINDOWCLASS" || Has(cls, u"TABCONTROL")) {
    return true;
  }
  // The centre of the control rather than the cursor: the answer must not
  // depend on where the user's mouse happens to be.
  const RECT r = VisibleWindowRect(child);
  const POINT centre{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
  return WindowFromPoint(centre) == child;
}

}  // namespace

std::u16string UpperClassOf(HWND window) {
  std::u16string cls = WindowClassName(window);
  if (!cls.empty()) {
    CharUpperBuffW(reinterpret_cast<wchar_t*>(cls.data()), static_cast<DWORD>(cls.size()));
  }
  return cls;
}

std::uint32_t ClassKinds(std::u16string_view c) {
  std::uint32_t kinds = 0;
  if (Has(c, u"BUTTON") || Has(c, u"BTN") || Has(c, u"CHECKBOX") || Has(c, u"3STATE")) {
    kinds |= kButton;
  }
  if (Has(c, u"COMBOBOX") || Has(c, u"COLORBOX") || Has(c, u"LISTBOX")) kinds |= kList;
  if (Has(c, u"TABCONTROL") || Has(c, u"PAGECONTROL")) kinds |= kTab;
  if (Has(c, u"TREEVIEW")) kinds |= kTreeView;
  if (Has(c, u"LISTVIEW")) kinds |= kListView;
  if (Has(c, u"TOOLBAR")) kinds |= kToolbar;
  if (Has(c, u"EDIT") || Has(c, u"DATETIMEPICK") || Has(c, u"HM32CLIENT") || c == u"EDTBX" ||
      (c.size() == 4 && c.starts_with(u"_WW"))) {
    kinds |= kEdit;
  }
  if (Has(c, u"STATIC") || Has(c, u"STATUS") || Has(c, u"MSOUNISTAT")) kinds |= kStatic;
  if (Has(c, u"STATUSBAR")) kinds |= kStatusBar;
  if (Has(c, u"TRACKBAR") || Has(c, u"SCROLL")) kinds |= kSlider;
  return kinds;
}

std::vector<HWND> ControlsOfKind(HWND window, std::uint32_t kinds, bool includeDisabled,
                                 const std::atomic<int>* stop) {
  std::vector<HWND> all;
  if (!IsWindow(window)) return all;
  Walk walk{&all, stop};
  EnumChildWindows(window, CollectOne, reinterpret_cast<LPARAM>(&walk));

  const bool windowShown = IsWindowVisible(window) != 0;
  const bool anyEnabled =
      includeDisabled || (kinds & (kCheck | kAnyEnabled | kEveryChild | kAcc)) != 0;
  struct Taken {
    HWND handle;
    long long key;
  };
  std::vector<Taken> taken;
  std::vector<HWND> takenComboEx;  // ComboBoxEx windows: their inner combo box is the same list
  for (HWND child : all) {
    if (stop && stop->load(std::memory_order_relaxed) != 0) break;
    const std::u16string cls = UpperClassOf(child);
    const bool pane = IsBrowserPane(cls);
    if (!pane) {
      const bool shown = IsWindowVisible(child) ||
                         (!windowShown && (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE));
      if (!shown) continue;
      if (!anyEnabled && !IsWindowEnabled(child)) continue;
    }
    const std::uint32_t own = ClassKinds(cls);
    bool take = (kinds & kEveryChild) != 0 || (own & kinds & ~kList) != 0;
    if (!take && (kinds & kList) && (own & kList)) {
      const bool innerCombo = Has(cls, u"COMBOBOX") && !Has(cls, u"COMBOBOXEX") &&
                              std::find(takenComboEx.begin(), takenComboEx.end(),
                                        GetParent(child)) != takenComboEx.end();
      take = !innerCombo;
      if (take && Has(cls, u"COMBOBOXEX")) takenComboEx.push_back(child);
    }
    if (!take && (kinds & kSlider) && HasWindowScrollBars(child)) take = true;
    if (!take && (kinds & kAcc)) take = IsAccessibleCandidate(child, cls, kinds, all.size());
    if (!take) continue;
    const RECT r = VisibleWindowRect(child);
    long long key = static_cast<long long>(r.top) * 10000 + r.left;
    // The position breaks ties between controls at one spot; browser panes
    // keep their place by their rectangle alone.
    if (!pane) key += static_cast<long long>(taken.size());
    taken.push_back(Taken{child, key});
  }
  std::stable_sort(taken.begin(), taken.end(),
                   [](const Taken& a, const Taken& b) { return a.key < b.key; });
  std::vector<HWND> ordered;
  ordered.reserve(taken.size() + 1);
  for (const Taken& t : taken) ordered.push_back(t.handle);
  if ((kinds & kSlider) && HasWindowScrollBars(window)) ordered.push_back(window);
  return ordered;
}

HWND NthControlOfKind(HWND window, std::uint32_t kinds, bool includeDisabled, int n,
                      const std::atomic<int>* stop) {
  if (n < 1) return nullptr;
  const std::vector<HWND> controls = ControlsOfKind(window, kinds, includeDisabled, stop);
  if (static_cast<std::size_t>(n) > controls.size()) return nullptr;
  return controls[static_cast<std::size_t>(n) - 1];
}

}  // namespace zelk::win
