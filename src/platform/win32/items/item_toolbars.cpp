// Toolbar buttons by caption.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <string>

#include "platform/win32/items/control_buffer.h"
#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/items/remote_structs.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

constexpr int kCaptionChars = 256;

struct Button {
  int command = 0;
  std::uint8_t state = 0;
  std::uint8_t style = 0;
};

template <typename P>
bool ReadButton(ControlBuffer& buffer, HWND toolbar, int index, Button* button) {
  RemoteTbButton<P> raw{};
  if (!buffer.Put(raw) ||
      !Ask(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index), buffer.Address()) ||
      !buffer.Get(&raw)) {
    return false;
  }
  button->command = raw.command;
  button->state = raw.state;
  button->style = raw.style;
  return true;
}

std::u16string Caption(ControlBuffer& buffer, HWND toolbar, int command) {
  if (!buffer.ClearText()) return u"";
  const LRESULT length = Ask(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command),
                             static_cast<LPARAM>(buffer.TextAddress()));
  if (length <= 0) return u"";
  return buffer.Text(static_cast<std::size_t>(length < kCaptionChars ? length : kCaptionChars));
}

void Press(Search& search, ControlBuffer& buffer, HWND toolbar, int index, const Button& button) {
  RECT r{};
  if (buffer.Put(r) && Ask(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), buffer.Address())) {
    buffer.Get(&r);
  }
  const int x = (r.left + r.right) / 2;
  const int y = (r.top + r.bottom) / 2;
  ActivateUnlessBack(search);
  FocusControl(search, toolbar);
  Ask(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(index), 0);
  if (search.Has(kMouseMove)) CursorTo(toolbar, x, y);
  if (search.ClickOption()) {
    PostClick(search.query.kinds, toolbar, x, y);
    return;
  }
  const bool down = (button.state & (TBSTATE_CHECKED | TBSTATE_PRESSED)) != 0;
  const bool wanted = search.query.check != 0;
  if (down == wanted) {
    Sleep(20);
    Ask(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(index), 0);
    return;
  }
  PostClick(0, toolbar, x, y);
  if (!wanted) {
    // Posted behind the click, so they come after it, not before.
    if (button.state & TBSTATE_PRESSED) {
      PostMessageW(toolbar, TB_PRESSBUTTON, static_cast<WPARAM>(button.command), FALSE);
    }
    if (button.state & TBSTATE_CHECKED) {
      PostMessageW(toolbar, TB_CHECKBUTTON, static_cast<WPARAM>(button.command), FALSE);
    }
  }
}

}  // namespace

bool SearchToolbars(Search& search) {
  // Hidden buttons count only on the taskbar, whose tray hides its overflow.
  const bool taskbar = UpperClassOf(search.window) == u"SHELL_TRAYWND";
  for (HWND toolbar : ChildControls(search, kToolbar)) {
    ControlBuffer buffer(toolbar);
    if (!buffer.valid()) continue;
    const int count = static_cast<int>(Ask(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count && !search.Stopped(); ++i) {
      Button button;
      const bool read = buffer.target64() ? ReadButton<std::uint64_t>(buffer, toolbar, i, &button)
                                          : ReadButton<std::uint32_t>(buffer, toolbar, i, &button);
      if (!read || (button.style & BTNS_SEP) || !(button.state & TBSTATE_ENABLED)) continue;
      if ((button.state & TBSTATE_HIDDEN) && !taskbar) continue;
      if (!search.Matches(Caption(buffer, toolbar, button.command), true) || !search.Counts()) {
        continue;
      }
      if (!search.CheckOnly()) Press(search, buffer, toolbar, i, button);
      search.Found(kToolbar, 1);
      return true;
    }
  }
  return false;
}

}  // namespace zelk::win::items
