// GETSLIDER and SETSLIDER: a window's scroll bars and track bars by number.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "builtins/items/item_functions.h"
#include "builtins/windows/desktop_state.h"
#include "builtins/windows/window_ids.h"
#include "platform/control_items.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

enum SliderItem : int {
  kPosition = 0,
  kMinimum = 1,
  kMaximum = 2,
  kPage = 3,
  kBar = 4,
  kLeft = 5,
  kTop = 6,
  kRight = 7,
  kBottom = 8,
};

// SETSLIDER's value that reads the position instead of setting it.
constexpr std::int64_t kGetSlider = -10000000;

// n as the engines take it: negative counts disabled bars too; below 1 is 1.
int SliderNumber(std::int64_t n, bool* includeDisabled) {
  *includeDisabled = n < 0;
  const std::int64_t wanted = std::llabs(n);
  return wanted < 1 ? 1 : static_cast<int>(std::min<std::int64_t>(wanted, 0x7FFFFFFF));
}

int ItemOf(const os::SliderFacts& f, std::int64_t item) {
  switch (item) {
    case kPosition:
      return f.position;
    case kMinimum:
      return f.minimum;
    case kMaximum:
      return f.maximum;
    case kPage:
      return f.page;
    case kBar:
      return f.vertical ? 1 : 0;
    case kLeft:
      return f.rect.x;
    case kTop:
      return f.rect.y;
    case kRight:
      return f.rect.x + f.rect.width;
    case kBottom:
      return f.rect.y + f.rect.height;
    default:
      return 0;
  }
}

}  // namespace

void BuiltinGetslider(BuiltinCall& call) {
  call.result = Value::Int(0);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), call.context);
  if (window == 0) return;
  bool includeDisabled = false;
  const int n = SliderNumber(a.whole[1], &includeDisabled);
  os::SliderFacts facts;
  if (!os::ReadSlider(window, n, includeDisabled, &facts, &call.context.interp->run.abortLevel)) {
    return;
  }
  call.result = Value::Int(ItemOf(facts, a.whole[2]));
}

void BuiltinSetslider(BuiltinCall& call) {
  call.result = Value::Boolean(false);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), context);
  if (window == 0) return;
  bool includeDisabled = false;
  const int n = SliderNumber(a.whole[2], &includeDisabled);
  const std::atomic<int>* stop = &context.interp->run.abortLevel;
  if (a.whole[1] == kGetSlider) {
    os::SliderFacts facts;
    if (os::ReadSlider(window, n, includeDisabled, &facts, stop)) {
      call.result = Value::Int(facts.position);
    }
    return;
  }
  const int value = static_cast<int>(std::clamp<std::int64_t>(a.whole[1], INT32_MIN, INT32_MAX));
  DesktopState& desk = DesktopOf(context);
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  call.result = Value::Boolean(os::MoveSlider(window, n, includeDisabled, value, stop));
}

}  // namespace zelk
