// GETITEM's Win32 collector: the item texts of one kind of control.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "platform/control_texts.h"
#include "platform/win32/texts/remote_items.h"
#include "platform/win32/texts/text_controls.h"
#include "platform/win32/wide_text.h"

namespace zelk::os {
namespace {

using Texts = std::vector<std::u16string>;

// Entries of a list box or combo box, as the control's own messages give them
// (the system carries these texts across processes).
void ListEntries(HWND list, Texts* out) {
  const bool combo = win::ClassHas(list, u"COMBOBOX") || win::ClassHas(list, u"COLORBOX");
  const UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
  const LRESULT count = win::SendQuick(list, countMessage, 0, 0);
  std::vector<wchar_t> buffer;
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = win::SendQuick(list, lengthMessage, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    // Entries are read up to 2048 characters; the buffer holds the whole
    // entry so that a longer one cannot overrun it.
    buffer.assign(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = win::SendQuick(list, textMessage, static_cast<WPARAM>(i),
                                       reinterpret_cast<LPARAM>(buffer.data()));
    if (got < 0) continue;
    out->push_back(
        win::FromW(buffer.data(), std::min<std::size_t>(std::min<std::size_t>(got, length), 2048)));
  }
}

void Tabs(HWND tab, Texts* out) {
  win::RemoteItems remote(tab);
  const LRESULT count = win::SendQuick(tab, TCM_GETITEMCOUNT, 0, 0);
  std::u16string text;
  for (LRESULT i = 0; i < count; ++i) {
    if (remote.TabText(static_cast<int>(i), &text)) out->push_back(text);
  }
}

// Captions depth-first: a submenu's caption, then its items.
void MenuItems(HMENU menu, int depth, Texts* out) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t caption[257] = {};
    const int length = GetMenuStringW(menu, static_cast<UINT>(i), caption, 257, MF_BYPOSITION);
    if (length > 0) out->push_back(win::FromW(caption, static_cast<std::size_t>(length)));
    // A menu loop cannot go deeper than a few levels; a cycle would.
    if (HMENU sub = GetSubMenu(menu, i); sub && depth < 32) MenuItems(sub, depth + 1, out);
  }
}

void TreeNodes(HWND tree, Texts* out) {
  win::RemoteItems remote(tree);
  // Depth-first in display order, without recursion: a deep tree cannot
  // exhaust the stack.
  std::vector<std::uintptr_t> pending;
  auto next = [&](std::uintptr_t item, WPARAM how) {
    return static_cast<std::uintptr_t>(
        win::SendQuick(tree, TVM_GETNEXTITEM, how, static_cast<LPARAM>(item)));
  };
  for (std::uintptr_t item = next(0, TVGN_ROOT); item || !pending.empty();) {
    if (!item) {
      item = pending.back();
      pending.pop_back();
      continue;
    }
    std::u16string text;
    if (remote.TreeText(item, &text)) out->push_back(text);
    if (out->size() > 1000000) return;
    const std::uintptr_t sibling = next(item, TVGN_NEXT);
    const std::uintptr_t child = next(item, TVGN_CHILD);
    if (child) {
      pending.push_back(sibling);
      item = child;
    } else {
      item = sibling;
    }
  }
}

// The number of columns: the highest column that exists with a positive
// width, plus one; a list view without columns (icon and list modes) has its
// items as the one column.
int ListViewColumns(HWND view, win::RemoteItems& remote) {
  std::u16string header;
  for (int i = 255; i >= 0; --i) {
    if (win::SendQuick(view, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0) > 0 &&
        remote.ListViewHeader(i, &header)) {
      return i + 1;
    }
  }
  return 1;
}

void ListViewItems(HWND view, int column, Texts* out) {
  win::RemoteItems remote(view);
  if (!remote.valid()) return;
  const int columns = ListViewColumns(view, remote);
  std::u16string text;
  if (column < 0) {
    for (int i = 0; i < columns; ++i) {
      if (remote.ListViewHeader(i, &text)) out->push_back(text);
    }
    return;
  }
  if (column == 0) column = 1;
  if (column > columns) return;
  const LRESULT count = win::SendQuick(view, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (!remote.ListViewText(static_cast<int>(i), column - 1, &text)) break;
    const std::size_t first = text.find_first_not_of(u" \t\r\n");
    out->push_back(first == text.npos
                       ? std::u16string()
                       : text.substr(first, text.find_last_not_of(u" \t\r\n") - first + 1));
  }
}

void ToolbarButtons(HWND bar, HWND window, Texts* out) {
  win::RemoteItems remote(bar);
  const bool taskbar = win::UpperClass(window) == u"SHELL_TRAYWND";
  const LRESULT count = win::SendQuick(bar, TB_BUTTONCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    int command = 0;
    BYTE state = 0, style = 0;
    if (!remote.ToolbarButton(static_cast<int>(i), &command, &state, &style)) continue;
    if (style & BTNS_SEP) continue;
    if ((state & TBSTATE_HIDDEN) && !taskbar) continue;
    std::u16string text;
    if (remote.ToolbarText(command, &text)) out->push_back(text);
  }
}

void StatusParts(HWND bar, Texts* out) {
  win::RemoteItems remote(bar);
  const LRESULT parts = win::SendQuick(bar, SB_GETPARTS, 0, 0);
  std::u16string text;
  for (LRESULT i = 0; i < parts; ++i) {
    if (remote.StatusText(static_cast<int>(i), &text)) out->push_back(text);
  }
}

}  // namespace

void CollectItems(WindowHandle window, const ItemListQuery& query,
                  std::vector<std::u16string>* out) {
  HWND h = reinterpret_cast<HWND>(window);
  if (!IsWindow(h)) return;
  const bool all = query.includeDisabled;
  switch (query.kind) {
    case os::item_kind::kButton:
      for (HWND b : win::ControlsOf(h, os::item_kind::kButton, all, query.stop))
        out->push_back(win::TextOfControl(b));
      return;
    case os::item_kind::kList: {
      const std::vector<HWND> lists = win::ControlsOf(h, os::item_kind::kList, all, query.stop);
      const int n = query.n < 1 && query.n >= 0 ? 1 : query.n;
      if (n < 0) {
        for (std::size_t i = 0; i < lists.size() && i < 99; ++i) ListEntries(lists[i], out);
      } else if (static_cast<std::size_t>(n) <= lists.size()) {
        ListEntries(lists[static_cast<std::size_t>(n - 1)], out);
      }
      return;
    }
    case os::item_kind::kTab:
      for (HWND t : win::ControlsOf(h, os::item_kind::kTab, all, query.stop)) Tabs(t, out);
      return;
    case os::item_kind::kMenu:
      if (HMENU menu = GetMenu(h)) {
        win::SendQuick(h, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
        MenuItems(menu, 0, out);
      }
      return;
    case os::item_kind::kTreeView:
      for (HWND t : win::ControlsOf(h, os::item_kind::kTreeView, all, query.stop))
        TreeNodes(t, out);
      return;
    case os::item_kind::kListView:
      if (HWND v = win::NthControlOf(h, os::item_kind::kListView, query.n < 1 ? 1 : query.n, all,
                                     query.stop)) {
        ListViewItems(v, query.column, out);
      }
      return;
    case os::item_kind::kEdit:
    case os::item_kind::kStatic: {
      const std::uint32_t bits =
          query.kind == os::item_kind::kEdit ? os::item_kind::kEdit : os::item_kind::kStatic;
      for (HWND c : win::ControlsOf(h, bits, all, query.stop))
        out->push_back(win::TextOfControl(c));
      return;
    }
    case os::item_kind::kStatusBar:
      for (HWND s : win::ControlsOf(h, os::item_kind::kStatusBar, all, query.stop))
        StatusParts(s, out);
      return;
    case os::item_kind::kToolbar:
      for (HWND t : win::ControlsOf(h, os::item_kind::kToolbar, all, query.stop))
        ToolbarButtons(t, h, out);
      return;
    default:
      return;
  }
}

}  // namespace zelk::os
