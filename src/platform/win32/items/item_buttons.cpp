// Buttons, check boxes, three-state boxes and radio buttons by caption.
#include <string>

#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/window_utils.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

bool IsCheckBox(HWND button) {
  const std::u16string cls = UpperClassOf(button);
  if (cls.find(u"CHECKBOX") != cls.npos || cls.find(u"3STATE") != cls.npos) return true;
  switch (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return true;
    default:
      return false;
  }
}

int StateOf(HWND button) {
  return static_cast<int>(Ask(button, BM_GETCHECK, 0, 0));
}

// Lets the program handle the posted click before the state is read again.
void AfterClick() {
  for (int i = 0; i < 2; ++i) {
    Sleep(20);
    Passes(20);
  }
}

void Press(Search& search, HWND button, int state) {
  const int wanted = search.query.check;
  ActivateUnlessBack(search);
  if (search.Has(kMouseMove)) {
    RECT r{};
    GetClientRect(button, &r);
    CursorTo(button, r.right / 2, r.bottom / 2);
  }
  if (search.ClickOption()) {
    PostClick(search.query.kinds, button, 0, 0);
    return;
  }
  if (state == wanted) {
    FocusControl(search, button);
    return;
  }
  PostClick(0, button, 0, 0);
  if (!IsCheckBox(button)) return;
  AfterClick();
  int now = StateOf(button);
  // A three-state box goes round unchecked, checked, indeterminate.
  if (state == 2 || now == 2 || wanted == 2) {
    for (int round = 0; round < 2 && now != wanted; ++round) {
      PostClick(0, button, 0, 0);
      AfterClick();
      now = StateOf(button);
    }
  }
}

}  // namespace

bool SearchButtons(Search& search) {
  for (HWND button : ChildControls(search, kButton)) {
    if (search.Stopped()) return false;
    if (!search.Matches(WindowTitle(button), true) || !search.Counts()) continue;
    const int state = StateOf(button);
    if (search.CheckOnly()) {
      search.Found(kButton, IsWindowEnabled(button) ? state : -1);
      return true;
    }
    Press(search, button, state);
    search.Found(kButton, state);
    return true;
  }
  return false;
}

}  // namespace zelk::win::items
