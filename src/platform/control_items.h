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

}  // namespace zelk::os
