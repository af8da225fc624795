// What the per-kind searches of the Win32 item engine share: the search in
// progress and the primitives they act through (focus, posted clicks, keys
// sent to a control, the arrow nudge, the cursor).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/control_items.h"

namespace zelk::win::items {

// One request on one window.
struct Search {
  Search(HWND w, const os::ItemQuery& q) : window(w), query(q) {}

  HWND window;
  const os::ItemQuery& query;
  int seen = 0;  // matches counted toward query.n
  os::ItemAnswer answer;

  bool Has(std::uint32_t bit) const { return (query.kinds & bit) != 0; }
  // Only the check state is asked for: nothing is acted on.
  bool CheckOnly() const { return Has(os::item_kind::kCheck); }
  bool ClickOption() const { return Has(os::item_kind::kClickOptions); }
  bool Stopped() const { return query.stop && query.stop->load(std::memory_order_relaxed) != 0; }
  // Counts one match; true when it is the one asked for (n below 1: the first).
  bool Counts() { return ++seen >= (query.n < 1 ? 1 : query.n); }
  bool Matches(std::u16string_view text, bool caption) const {
    return query.name && query.name(text, caption);
  }
  void Found(std::uint32_t kind, int state = -1) {
    answer.found = true;
    answer.kind = kind;
    answer.state = state;
  }
};

// The child controls of window whose class is of kind (os::item_kind bits),
// through the window listing's filter, in enumeration order; disabled ones
// only when the search includes them or asks for states.
std::vector<HWND> ChildControls(const Search& search, std::uint32_t kind);

// The kinds, each true when it found the item.
bool SearchButtons(Search& search);
bool SearchLists(Search& search);
bool SearchTabs(Search& search);
bool SearchMenus(Search& search);
bool SearchTrees(Search& search);
bool SearchListViews(Search& search);
bool SearchToolbars(Search& search);

// SendMessageTimeout that gives up on a hung target (0 then).
LRESULT Ask(HWND control, UINT message, WPARAM wparam, LPARAM lparam);

// ForceActivate on the window unless CLK_BACK.
void ActivateUnlessBack(const Search& search);
// The keyboard focus to control through the target thread's input, the
// window to the foreground; nothing with CLK_BACK.
void FocusControl(const Search& search, HWND control);
// The posted click of the click options in kinds at client point x, y of
// control: right or left, doubled with CLK_DBLCLK; a plain left click
// without options.
void PostClick(std::uint32_t kinds, HWND control, int x, int y);
// A key pressed and released in control (sent, not injected).
void KeyToControl(const Search& search, HWND control, int virtualKey);
// Two arrow keys that leave the selection where it is but let the program
// see a user's selection change: Up then Down (Down then Up at index 0);
// Left and Right for horizontal controls.
void ArrowNudge(const Search& search, HWND control, bool atFirst, bool horizontal);
// The real cursor onto client point x, y of control.
void CursorTo(HWND control, int x, int y);
// n message passes; a sleep of ms with message passes.
void Passes(int n);
void Pause(int ms);

}  // namespace zelk::win::items
