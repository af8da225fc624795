// GETSLCTLST's Win32 path: what is selected in a list-like control.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "platform/control_texts.h"
#include "platform/win32/texts/remote_items.h"
#include "platform/win32/texts/text_controls.h"
#include "platform/win32/wide_text.h"

namespace zelk::os {
namespace {

std::u16string EntryText(HWND list, bool combo, LRESULT index) {
  const LRESULT length =
      win::SendQuick(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got =
      win::SendQuick(list, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(buffer.data()));
  if (got <= 0) return {};
  return win::FromW(buffer.data(), std::min<std::size_t>(got, length));
}

void Join(std::u16string* all, const std::u16string& one, bool* first) {
  if (!*first) *all += u'\t';
  *all += one;
  *first = false;
}

std::u16string ListBoxSelection(HWND list) {
  const LRESULT count = win::SendQuick(list, LB_GETCOUNT, 0, 0);
  std::u16string all;
  bool first = true;
  for (LRESULT i = 0; i < count; ++i) {
    if (win::SendQuick(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
      Join(&all, EntryText(list, false, i), &first);
    }
  }
  return all;
}

std::u16string ListViewSelection(HWND view, int column) {
  win::RemoteItems remote(view);
  std::u16string all, text;
  bool first = true;
  // Asked from each found item on; a list view that answered an earlier item
  // again would otherwise loop for ever.
  LRESULT last = -1;
  for (LRESULT i = win::SendQuick(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
       i > last; i = win::SendQuick(view, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)) {
    if (!remote.ListViewText(static_cast<int>(i), column < 1 ? 0 : column - 1, &text)) break;
    Join(&all, text, &first);
    last = i;
  }
  return all;
}

std::u16string TreeSelection(HWND tree) {
  win::RemoteItems remote(tree);
  std::u16string path, text;
  auto next = [&](std::uintptr_t item, WPARAM how) {
    return static_cast<std::uintptr_t>(
        win::SendQuick(tree, TVM_GETNEXTITEM, how, static_cast<LPARAM>(item)));
  };
  std::uintptr_t item = next(0, TVGN_CARET);
  if (!item || !remote.TreeText(item, &path)) return {};
  for (int depth = 0; depth < 10000 && (item = next(item, TVGN_PARENT)) != 0; ++depth) {
    if (!remote.TreeText(item, &text)) break;
    path = text + u"\\" + path;
  }
  return path;
}

}  // namespace

bool SelectedEntries(WindowHandle window, int n, int column, const std::atomic<int>* stop,
                     std::u16string* text) {
  HWND control =
      win::NthControlOf(reinterpret_cast<HWND>(window),
                        os::item_kind::kList | os::item_kind::kTreeView | os::item_kind::kListView,
                        n < 1 ? 1 : n, false, stop);
  if (!control) return false;
  if (win::ClassHas(control, u"COMBOBOX") || win::ClassHas(control, u"COLORBOX")) {
    const LRESULT index = win::SendQuick(control, CB_GETCURSEL, 0, 0);
    *text = index >= 0 ? EntryText(control, true, index) : std::u16string();
  } else if (win::ClassHas(control, u"LISTBOX")) {
    *text = ListBoxSelection(control);
  } else if (win::ClassHas(control, u"LISTVIEW")) {
    *text = ListViewSelection(control, column);
  } else {
    *text = TreeSelection(control);
  }
  return true;
}

}  // namespace zelk::os
