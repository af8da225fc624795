// The items inside another program's controls (buttons, list entries, tabs,
// menu commands, tree and list view nodes, toolbar buttons, sliders) as the
// item built-ins reach them. The built-ins decide what a name matches and
// hand the engine a matcher; the engine walks the controls with their own
// window messages. Without a desktop (HasDesktop false) nothing is found.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windowing.h"

namespace zelk::os {

// The kind and option bits of CLKITEM, CHKBTN and GETITEM.
namespace item_kind {
inline constexpr std::uint32_t kButton = 0x1;
inline constexpr std::uint32_t kList = 0x2;  // list boxes and combo boxes
inline constexpr std::uint32_t kMenu = 0x4;
inline constexpr std::uint32_t kTab = 0x8;
inline constexpr std::uint32_t kTreeView = 0x10;
inline constexpr std::uint32_t kListView = 0x20;
inline constexpr std::uint32_t kToolbar = 0x40;
inline constexpr std::uint32_t kLink = 0x80;
inline constexpr std::uint32_t kShort = 0x100;  // a text containing the name matches
inline constexpr std::uint32_t kBack = 0x200;   // leave the window where it is
inline constexpr std::uint32_t kMouseMove = 0x400;
inline constexpr std::uint32_t kLeftClick = 0x800;
inline constexpr std::uint32_t kRightClick = 0x1000;
inline constexpr std::uint32_t kDoubleClick = 0x2000;
inline constexpr std::uint32_t kOfThis = 0x4000;  // n counts entries, not controls
inline constexpr std::uint32_t kAcc = 0x8000;
inline constexpr std::uint32_t kFromLast = 0x10000;
inline constexpr std::uint32_t kEdit = 0x20000;
inline constexpr std::uint32_t kStatic = 0x40000;
inline constexpr std::uint32_t kStatusBar = 0x80000;
inline constexpr std::uint32_t kSlider = 0x100000;      // scroll bars and track bars
inline constexpr std::uint32_t kEveryChild = 0x200000;  // every child window
inline constexpr std::uint32_t kContinue = 0x2000000;
inline constexpr std::uint32_t kAnyEnabled = 0x4000000;  // disabled controls count too
inline constexpr std::uint32_t kCheck = 0x8000000;       // report the check state
inline constexpr std::uint32_t kAcc2 = 0x10000000;
inline constexpr std::uint32_t kApi = 0x20000000;
inline constexpr std::uint32_t kUia = 0x40000000;

// CLK_BTN .. CLK_LINK.
inline constexpr std::uint32_t kBasicKinds = 0xFF;
// The option bits CLK_SHORT .. CLK_DBLCLK.
inline constexpr std::uint32_t kOptionBits = 0x3F00;
// The click options that replace a kind's own action by a posted click.
inline constexpr std::uint32_t kClickOptions = kLeftClick | kRightClick | kDoubleClick;
}  // namespace item_kind

// Whether an item's text matches the name asked for. caption: the text is a
// caption (button, tab, menu, toolbar) and is compared as users read it
// (without "&", accelerator suffix and trailing ":"); otherwise as it stands.
using ItemNameMatch = std::function<bool(std::u16string_view text, bool caption)>;

// One CLKITEM/CHKBTN request as the engines receive it.
struct ItemQuery {
  std::uint32_t kinds = 0;  // item_kind bits: kinds, options and the check bit
  int n = 1;                // which match, 1-based; 0 for lists: every list in turn
  bool includeDisabled = false;
  int check = 1;       // the wanted check state: 0, 1 or 2
  ItemNameMatch name;  // the whole name
  // The name as it stands when it is one name matched exactly (no CLK_SHORT,
  // no path, no TAB): a control may look it up itself before it is read
  // item by item. Empty otherwise.
  std::u16string exactName;
  // A menu or tree path: its parts (isPath), and whether the name began with
  // "\" (a tree's root level first).
  bool isPath = false;
  bool fromRoot = false;
  std::vector<ItemNameMatch> path;
  // The TAB-separated names a multiple-selection list box selects together.
  std::vector<ItemNameMatch> selection;
  const std::atomic<int>* stop = nullptr;  // non-zero: the run is being stopped
};

struct ItemAnswer {
  bool found = false;
  // With item_kind::kCheck: the state found (buttons 0, 1, 2 or -1 when
  // disabled; menus, tree and list views 0 or 1).
  int state = -1;
  // Which kind found it (an item_kind bit), 0 when none.
  std::uint32_t kind = 0;
};

// The classic search through the controls' own window messages, kind by
// kind in a fixed order (buttons, lists and combo boxes, tabs, menus, tree
// views, list views, toolbars and the menu bar once more); the first kind
// that finds the item acts on it (unless the check bit only asks).
ItemAnswer FindWin32Item(WindowHandle window, const ItemQuery& query);

// UI Automation's and accessibility's (MSAA) searches. Not built yet: they
// find nothing, and the Win32 search stands alone.
ItemAnswer FindUiAutomationItem(WindowHandle window, const ItemQuery& query);
ItemAnswer FindAccessibleItem(WindowHandle window, const ItemQuery& query);

// Scroll bars and track bars. Candidates, in reading order: track bars,
// scroll-bar controls and the window scroll bars of child windows (the
// horizontal before the vertical one), then those of the window itself.
struct SliderFacts {
  int position = 0;
  int minimum = 0;
  int maximum = 0;
  int page = 0;
  bool vertical = false;
  ScreenRect rect;  // x, y relative to the window's client area
};
// The n-th (1-based) slider of window; false when there is none.
bool ReadSlider(WindowHandle window, int n, bool includeDisabled, SliderFacts* facts,
                const std::atomic<int>* stop);
// Moves the n-th slider to value as a user would (the bar's own messages,
// then arrow keys until it stands there); false when there is none.
bool MoveSlider(WindowHandle window, int n, bool includeDisabled, int value,
                const std::atomic<int>* stop);

}  // namespace zelk::os
