// The item engine as CLKITEM and CHKBTN use it: which kinds a request
// means, which windows are asked through UI Automation first, and the order
// in which the engines are tried.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/control_items.h"

namespace zelk {

// CHKBTN's own kinds: buttons, tree views and list views, with the check bit.
inline constexpr std::uint32_t kCheckButtonKinds = os::item_kind::kCheck | os::item_kind::kButton |
                                                   os::item_kind::kTreeView |
                                                   os::item_kind::kListView;

// The kinds a CLKITEM request means: none (or only options, the check bit,
// CLK_API or CLK_UIA) adds every basic kind, and CLK_ACC unless one of the
// two engine choices was made.
std::uint32_t RequestedKinds(std::uint32_t given);

// Windows whose controls only UI Automation sees (class upper-cased): WPF,
// Chromium, Firefox, store apps, Internet Explorer.
bool PrefersUiAutomation(std::u16string_view upperClass);

// The check argument as the engines take it: 0, 1 or 2; any other value is 1.
int WantedCheck(std::int64_t check);

struct ItemRequest {
  std::u16string_view name;
  std::uint32_t kinds = 0;
  std::int64_t n = 1;  // negative: its absolute value, disabled controls included
  int check = 1;
};

// Runs the engines in their order on window. False (with *error set) when
// the request cannot be searched at all: a path of too many parts.
bool FindItem(os::WindowHandle window, const ItemRequest& request, const std::atomic<int>* stop,
              os::ItemAnswer* answer, std::u16string* error);

}  // namespace zelk
