// Edit and static texts and status-bar parts of another program's window:
// GETSTR's and SENDSTR's Win32 paths.
#include <windows.h>

#include <commctrl.h>

#include "platform/control_texts.h"
#include "platform/platform.h"
#include "platform/win32/texts/remote_items.h"
#include "platform/win32/texts/text_controls.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

HWND H(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}

// Makes window the foreground window with the keyboard focus on control (or
// only reads the focus when control is null); the thread input is attached
// for the time it takes, as SetFocus works only within one input queue.
HWND FocusWithin(HWND window, HWND control) {
  const DWORD own = GetCurrentThreadId();
  const DWORD target = GetWindowThreadProcessId(window, nullptr);
  const bool attach = target != 0 && target != own && AttachThreadInput(own, target, TRUE);
  SetForegroundWindow(window);
  if (control) SetFocus(control);
  HWND focus = GetFocus();
  if (attach) AttachThreadInput(own, target, FALSE);
  return focus;
}

void PostChars(HWND control, std::u16string_view text) {
  win::PumpMessages(20);
  Sleep(20);
  int posted = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // CR LF is one Enter press.
    if (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
    PostMessageW(control, WM_CHAR, static_cast<WPARAM>(text[i]), 1);
    if (++posted % 10 == 0) {
      Sleep(10);
      win::PumpMessages(10);
    }
  }
}

}  // namespace

WindowHandle TextControlOf(WindowHandle window, TextControl kind, int n, bool includeDisabled,
                           const std::atomic<int>* stop) {
  HWND h = H(window);
  if (!IsWindow(h)) return 0;
  if (n == 0) {
    HWND focus = FocusWithin(h, nullptr);
    return focus && (focus == h || IsChild(h, focus)) ? reinterpret_cast<WindowHandle>(focus) : 0;
  }
  const std::uint32_t bits =
      kind == TextControl::kEdit ? os::item_kind::kEdit : os::item_kind::kStatic;
  return reinterpret_cast<WindowHandle>(win::NthControlOf(h, bits, n, includeDisabled, stop));
}

std::u16string ControlText(WindowHandle control) {
  return win::TextOfControl(H(control));
}

void CursorOnControl(WindowHandle control) {
  RECT r{};
  if (GetWindowRect(H(control), &r)) SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void WriteControlText(WindowHandle window, WindowHandle control, std::u16string_view text,
                      SendMode mode) {
  HWND top = H(window);
  HWND target = H(control);
  if (!IsWindow(target)) return;
  std::u16string written(text);
  if (win::ClassHas(target, u"DATETIMEPICK")) {
    // A date picker takes typed digits with "/" between the fields.
    for (char16_t& c : written) {
      if (c == u'年' || c == u'月' || c == u'日') c = u'/';
    }
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
    win::PumpMessages(2);
    mode = SendMode::kType;
  }
  if (mode == SendMode::kType) {
    PostChars(target, written);
  } else {
    if (mode == SendMode::kAppend) written = win::TextOfControl(target) + written;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win::W(written)),
                        SMTO_ABORTIFHUNG, 1000, &ignored);
  }
  PostMessageW(target, EM_SETMODIFY, TRUE, 0);
  if (GetForegroundWindow() == top) {
    FocusWithin(top, target);
  } else {
    // Far outside any content: the control notices a click but nothing moves.
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(29999, 29999));
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(29999, 29999));
  }
  win::PumpMessages(mode == SendMode::kType ? 4 : 6);
}

bool StatusPartText(WindowHandle window, int n, bool includeDisabled, bool moveCursor,
                    const std::atomic<int>* stop, std::u16string* text) {
  if (n < 1) n = 1;
  for (HWND bar : win::ControlsOf(H(window), os::item_kind::kStatusBar, includeDisabled, stop)) {
    const int parts = static_cast<int>(win::SendQuick(bar, SB_GETPARTS, 0, 0));
    if (n > parts) {
      n -= parts;
      continue;
    }
    win::RemoteItems remote(bar);
    if (!remote.StatusText(n - 1, text)) return false;
    RECT r{};
    if (moveCursor && remote.StatusRect(n - 1, &r)) {
      POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      ClientToScreen(bar, &p);
      SetCursorPos(p.x, p.y);
    }
    return true;
  }
  return false;
}

}  // namespace zelk::os
