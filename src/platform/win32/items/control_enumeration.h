// How the item functions find "the n-th control of a kind" in a window: the
// descendants of the kinds asked for (os::item_kind bits), in reading order,
// row by row from the top and left to right, not in window order.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::win {

// The kind bits whose class rows a class name (upper-cased) satisfies:
// buttons, lists, tabs, tree and list views, toolbars, edits, statics,
// status bars and slider controls. The item_kind::kAcc rule depends on the
// window around the control and is not part of this.
std::uint32_t ClassKinds(std::u16string_view upperClass);

// The descendants of window of the given kinds, in reading order: ascending
// by top x 10000 + left of the visible frame plus the position among those
// taken. Hidden controls are left out (unless the window itself is hidden and
// they carry WS_VISIBLE), and disabled ones unless includeDisabled or the
// kinds ask for states, every child or accessible objects. With
// item_kind::kSlider the window itself comes last when it has scroll bars of
// its own. The enumeration ends once *stop is non-zero (stop may be null).
std::vector<HWND> ControlsOfKind(HWND window, std::uint32_t kinds, bool includeDisabled,
                                 const std::atomic<int>* stop);

// The n-th (1-based) of ControlsOfKind; null for n below 1 or beyond the list.
HWND NthControlOfKind(HWND window, std::uint32_t kinds, bool includeDisabled, int n,
                      const std::atomic<int>* stop);

// A window's class name upper-cased.
std::u16string UpperClassOf(HWND window);

}  // namespace zelk::win
