// POSACC: what the accessibility interfaces (or, failing them, the text the
// program draws) say about a point of a window.
#include <string>

#include "base/text_scan.h"
#include "builtins/texts/automation_readers.h"
#include "builtins/texts/text_functions.h"
#include "builtins/windows/window_ids.h"
#include "platform/control_texts.h"
#include "platform/windowing.h"

namespace zelk {
namespace {

constexpr int kAccAccApi = 0;
constexpr int kAccApi = 2;
constexpr std::int64_t kAccBack = 0x200;

bool IsJava(os::WindowHandle window) {
  if (window == 0) return false;
  bool java = false;
  os::JavaWindowCheck(window, &java);
  return java;
}

}  // namespace

void BuiltinPosacc(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  const std::int64_t id = a.whole[0];
  os::WindowHandle window = 0;
  int x = static_cast<int>(a.whole[1]);
  int y = static_cast<int>(a.whole[2]);
  if (id != 0) {
    window = WindowOfId(static_cast<int>(id), call.context);
    if (window == 0) return;
    const os::ScreenRect client = os::ClientArea(window);
    x += client.x;
    y += client.y;
  }
  const int kind = static_cast<int>(a.whole[3] & 0xF);
  const bool back = (a.whole[3] & kAccBack) != 0;
  std::u16string text;

  const os::WindowHandle under = os::WindowAtScreenPoint(x, y);
  if (IsJava(window) || IsJava(under) || IsJava(os::ParentWindow(under))) {
    if (!back && window != 0) os::ForceActivate(window, false);
    if (JavaInfoAtPoint(window != 0 ? window : under, x, y, kind, &text)) {
      call.result = Value::String(Trim(text));
    }
    return;
  }
  const bool popup = os::IsPopupWindow(under);
  if (kind != kAccApi) {
    if (!back && !popup && window != 0) os::ForceActivate(window, false);
    // An object that exists answers, even with an empty property.
    if (AccessibleInfoAtPoint(x, y, kind, &text)) {
      call.result = Value::String(std::move(text));
      return;
    }
  }
  if (kind != kAccAccApi && kind != kAccApi) return;
  if (id <= 0 || !os::IsWindowShown(window) || popup || IsAutomationFirstWindow(window)) return;
  if (!back) os::ForceActivate(window, false);
  if (os::CaptureDrawnText(window, x, y, &text)) call.result = Value::String(std::move(text));
}

}  // namespace zelk
