// Tabs by caption, read and selected through the control's process memory.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <string>

#include "platform/win32/items/control_buffer.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/items/remote_structs.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

constexpr int kCaptionChars = 256;
constexpr std::size_t kNotifyOffset = 2048;

template <typename P>
std::u16string TabCaption(ControlBuffer& buffer, HWND tab, int index) {
  RemoteTcItem<P> item{};
  item.mask = TCIF_TEXT;
  item.text = static_cast<P>(buffer.TextAddress());
  item.textMax = kCaptionChars;
  if (!buffer.Put(item) || !buffer.ClearText()) return u"";
  if (!Ask(tab, TCM_GETITEMW, static_cast<WPARAM>(index), buffer.Address())) return u"";
  return buffer.Text(kCaptionChars);
}

// WM_NOTIFY to the tab control's parent as if the tab had sent it; the
// header lives in the parent's process.
template <typename P>
void NotifyParent(ControlBuffer& buffer, HWND tab, UINT code) {
  const int id = GetDlgCtrlID(tab);
  RemoteNmhdr<P> header{};
  header.hwndFrom = static_cast<P>(reinterpret_cast<std::uintptr_t>(tab));
  header.idFrom = static_cast<P>(static_cast<unsigned>(id));
  header.code = code;
  if (!buffer.Put(header, kNotifyOffset)) return;
  Ask(GetParent(tab), WM_NOTIFY, static_cast<WPARAM>(id), buffer.Address(kNotifyOffset));
}

void Notify(ControlBuffer& buffer, HWND tab, UINT code) {
  if (buffer.target64()) {
    NotifyParent<std::uint64_t>(buffer, tab, code);
  } else {
    NotifyParent<std::uint32_t>(buffer, tab, code);
  }
}

bool SelectTab(Search& search, ControlBuffer& buffer, HWND tab, int index) {
  ActivateUnlessBack(search);
  Notify(buffer, tab, static_cast<UINT>(TCN_SELCHANGING));
  Passes(20);
  Ask(tab, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
  Ask(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  Notify(buffer, tab, static_cast<UINT>(TCN_SELCHANGE));
  Passes(20);
  const bool selected = Ask(tab, TCM_GETCURSEL, 0, 0) == index;
  if (search.Has(kMouseMove | kClickOptions)) {
    RECT r{};
    if (buffer.Put(r) && Ask(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), buffer.Address()) &&
        buffer.Get(&r)) {
      const int x = (r.left + r.right) / 2;
      const int y = (r.top + r.bottom) / 2;
      if (search.Has(kMouseMove)) CursorTo(tab, x, y);
      if (search.ClickOption()) PostClick(search.query.kinds, tab, x, y);
    }
  }
  return selected;
}

}  // namespace

bool SearchTabs(Search& search) {
  for (HWND tab : ChildControls(search, kTab)) {
    ControlBuffer buffer(tab);
    if (!buffer.valid()) continue;
    const int count = static_cast<int>(Ask(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count && !search.Stopped(); ++i) {
      const std::u16string caption = buffer.target64() ? TabCaption<std::uint64_t>(buffer, tab, i)
                                                       : TabCaption<std::uint32_t>(buffer, tab, i);
      if (!search.Matches(caption, true) || !search.Counts()) continue;
      if (search.CheckOnly() || SelectTab(search, buffer, tab, i)) {
        search.Found(kTab, 1);
        return true;
      }
      return false;
    }
  }
  return false;
}

}  // namespace zelk::win::items
