// The controls the text built-ins work on, in the control enumeration's
// reading order, and the small message helpers they share.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/control_items.h"

namespace zelk::win {

// Every control of window of the kinds (os::item_kind bits), in reading order.
std::vector<HWND> ControlsOf(HWND window, std::uint32_t kinds, bool includeDisabled,
                             const std::atomic<int>* stop);
// The n-th of them (1-based); nullptr when n is out of range.
HWND NthControlOf(HWND window, std::uint32_t kinds, int n, bool includeDisabled,
                  const std::atomic<int>* stop);

// The class name upper-cased (ASCII: the classes compared are ASCII).
std::u16string UpperClass(HWND control);
bool ClassHas(HWND control, std::u16string_view part);

// SendMessageTimeout that gives up on a hung target after 1000 ms; 0 then.
LRESULT SendQuick(HWND control, UINT message, WPARAM wparam, LPARAM lparam);

// The control's text by WM_GETTEXT, however long.
std::u16string TextOfControl(HWND control);

}  // namespace zelk::win
