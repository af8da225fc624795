// SENDSTR and GETSTR: a text into an edit control or the clipboard, and the
// text of an edit, static text or status-bar part (or the clipboard) back.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "builtins/texts/automation_readers.h"
#include "builtins/texts/text_functions.h"
#include "builtins/windows/window_ids.h"
#include "platform/control_texts.h"
#include "platform/platform.h"
#include "platform/windowing.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

enum TextKind : int {
  kStrEdit = 0,
  kStrStatic = 1,
  kStrStatus = 2,
  kStrAccEdit = 3,
  kStrAccStatic = 4,
  kStrAccCell = 5,
};

// Which control a count names: its size, kept to an int (the sign says
// whether disabled controls count).
int Magnitude(std::int64_t n) {
  constexpr std::int64_t kMost = 0x7FFFFFFF;
  return static_cast<int>(n < 0 ? (n < -kMost ? kMost : -n) : std::min(n, kMost));
}

const std::atomic<int>* StopOf(BuiltinCall& call) {
  return &call.context.interp->run.abortLevel;
}

// SENDSTR's replace argument: 2 types, and so does 0 on the focused control;
// 0 on a numbered control appends, anything else replaces.
os::SendMode ModeOf(std::int64_t replace, std::int64_t n) {
  if (replace == 2 || (replace == 0 && n == 0)) return os::SendMode::kType;
  return replace == 0 ? os::SendMode::kAppend : os::SendMode::kReplace;
}

void SendThroughControls(BuiltinCall& call, os::WindowHandle window, std::int64_t n,
                         os::SendMode mode) {
  const std::u16string& text = call.args.text[1];
  os::SleepMs(4);
  os::Pump(4);
  // A window in the background keeps its place: whatever was in front
  // comes back afterwards.
  const bool hidden = os::IsMinimized(window) || !os::IsWindowShown(window);
  const os::WindowHandle front = hidden ? os::ForegroundWindow() : 0;
  const int which = Magnitude(n);
  const os::WindowHandle control =
      os::TextControlOf(window, os::TextControl::kEdit, which, n < 0, StopOf(call));
  if (control != 0) {
    os::WriteControlText(window, control, text, mode);
  } else {
    if (n == 0) os::ForceActivate(window, false);
    AutomationWriteText(window, which, text, mode == os::SendMode::kReplace);
  }
  if (front != 0 && front != os::ForegroundWindow()) os::ForceActivate(front, false);
}

}  // namespace

void BuiltinSendstr(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  if (a.whole[0] == 0) {
    os::WriteClipboardText(a.text[1]);
    return;
  }
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), call.context);
  if (window == 0) return;
  const std::int64_t n = a.whole[2];
  const std::int64_t replace = a.whole[3];
  const std::int64_t method = a.whole[4];
  if (method != 0) {
    if (n == 0) os::ForceActivate(window, false);
    const int which = Magnitude(n);
    AccessibleWriteText(window, static_cast<int>(method), which, a.text[1], replace != 0);
    return;
  }
  if (IsAutomationFirstWindow(window)) {
    const int which = Magnitude(n);
    if (AutomationWriteText(window, which, a.text[1], replace != 0)) return;
    // The element would not take a value: type it as a user would.
    SendThroughControls(call, window, n, os::SendMode::kType);
    return;
  }
  SendThroughControls(call, window, n, ModeOf(replace, n));
}

void BuiltinGetstr(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  if (a.whole[0] == 0) {
    std::u16string text;
    os::ReadClipboardText(&text);
    call.result = Value::String(std::move(text));
    return;
  }
  os::Pump(8);
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), call.context);
  if (window == 0) {
    call.result = Value();  // EMPTY: the window is gone
    return;
  }
  const std::int64_t n = a.whole[1];
  const int kind = static_cast<int>(a.whole[2]);
  const bool mouse = a.whole[3] != 0;
  const int which = Magnitude(n);
  std::u16string text;
  if (kind >= kStrAccEdit && kind <= kStrAccCell) {
    if (which == 0 && kind != kStrAccStatic) os::ForceActivate(window, false);
    const int accN = kind == kStrAccStatic && which == 0 ? 1 : which;
    if (AccessibleReadText(window, kind, accN, mouse, &text)) {
      call.result = Value::String(std::move(text));
    } else {
      call.result = Value();
    }
    return;
  }
  if (IsAutomationFirstWindow(window) &&
      (AutomationReadText(window, kind, which, mouse, &text) || kind != kStrStatic)) {
    call.result = Value::String(std::move(text));
    return;
  }
  if (kind == kStrStatus) {
    if (!os::StatusPartText(window, which < 1 ? 1 : which, n < 0, mouse, StopOf(call), &text)) {
      AutomationReadText(window, kind, which, mouse, &text);
    }
  } else if (kind == kStrStatic && n == 0) {
    text = os::WindowText(window);
  } else if (kind == kStrEdit || kind == kStrStatic) {
    const os::TextControl what =
        kind == kStrEdit ? os::TextControl::kEdit : os::TextControl::kStatic;
    const os::WindowHandle control = os::TextControlOf(window, what, which, n < 0, StopOf(call));
    if (control != 0) {
      text = os::ControlText(control);
      if (mouse) os::CursorOnControl(control);
    } else {
      AutomationReadText(window, kind, which, mouse, &text);
    }
  }
  call.result = Value::String(std::move(text));
}

void AddTextBuiltins(BuiltinBranchTable& table) {
  table.Set(u"SENDSTR", BuiltinSendstr);
  table.Set(u"GETSTR", BuiltinGetstr);
  table.Set(u"GETITEM", BuiltinGetitem);
  table.Set(u"GETSLCTLST", BuiltinGetslctlst);
  table.Set(u"POSACC", BuiltinPosacc);
}

}  // namespace zelk
