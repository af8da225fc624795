// The texts of another program's controls, read and written through the
// controls' own window messages (with memory in the target process where a
// message carries a pointer): edit and static texts, status-bar parts, the
// entries of lists, tabs, menus, tree and list views and toolbars, and the
// clipboard's text. Controls are counted as the control enumeration orders
// them (row by row, top to bottom, left to right), n from 1; an enumeration
// ends early once *stop (the run's abort level) is non-zero. On a host
// without a Windows desktop every answer is "nothing found".
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/control_items.h"
#include "platform/windowing.h"

namespace zelk::os {

// The clipboard's text; false when it stayed busy (256 tries, 3 ms apart) or
// holds no text.
bool ReadClipboardText(std::u16string* text);
// Replaces the clipboard's content; false when it stayed busy.
bool WriteClipboardText(std::u16string_view text);

enum class TextControl { kEdit, kStatic };

// The n-th edit or static control of window (n >= 1), disabled ones counted
// when includeDisabled; n 0: the control that has the keyboard focus in the
// window's thread, after the window was made the foreground window. 0 none.
WindowHandle TextControlOf(WindowHandle window, TextControl kind, int n, bool includeDisabled,
                           const std::atomic<int>* stop);

// The whole text of a control (WM_GETTEXTLENGTH, WM_GETTEXT).
std::u16string ControlText(WindowHandle control);
// Puts the mouse cursor on the control's centre.
void CursorOnControl(WindowHandle control);

enum class SendMode {
  kAppend,   // after the control's current text
  kReplace,  // the control's whole text
  kType,     // every character posted as WM_CHAR
};
// Writes text into control of window as a user would see it change: the
// modification flag set and the control told (focus, or a click outside its
// content when window is in the background).
void WriteControlText(WindowHandle window, WindowHandle control, std::u16string_view text,
                      SendMode mode);

// The text of the n-th part (n >= 1) over all status bars of window, trimmed,
// counted in reading order; with moveCursor the cursor goes to the part.
// False when there is no such part.
bool StatusPartText(WindowHandle window, int n, bool includeDisabled, bool moveCursor,
                    const std::atomic<int>* stop, std::u16string* text);

struct ItemListQuery {
  std::uint32_t kind = 0;  // one item_kind bit: button ... toolbar, edit, static, status bar
  int n = 1;               // lists and list views: which control; lists: < 0 all up to the 99th
  int column = 0;          // list views: 1-based, 0 the first, < 0 the column headers
  bool includeDisabled = true;
  const std::atomic<int>* stop = nullptr;
};
// The raw texts of one kind's items in window, appended to out in the
// control's order (captions not normalised; empty list entries kept).
void CollectItems(WindowHandle window, const ItemListQuery& query,
                  std::vector<std::u16string>* out);

// The selection of the n-th list-like control (combo boxes, list boxes, tree
// views and list views counted together): a combo box's selected entry, a
// list box's selected entries and a list view's selected items (column,
// 1-based) joined with TAB, a tree view's selected node as its path
// ("ROOT\...\NODE"). False when there is no such control.
bool SelectedEntries(WindowHandle window, int n, int column, const std::atomic<int>* stop,
                     std::u16string* text);

// POSACC's classification of the window under a screen point: a pop-up menu,
// drop-down or tool window that must not be activated.
WindowHandle WindowAtScreenPoint(int x, int y);
bool IsPopupWindow(WindowHandle window);

// The text window's process draws at the screen point x, y, caught while it
// repaints there; false when nothing was drawn.
bool CaptureDrawnText(WindowHandle window, int x, int y, std::u16string* text);

}  // namespace zelk::os
