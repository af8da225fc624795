// MMV, BTN, MUSCUR and MOUSEORG: the mouse, injected or, in direct mode,
// posted to a window that may stay in the background.
#include <algorithm>
#include <mutex>

#include "builtins/input/input_functions.h"
#include "builtins/input/send_key.h"
#include "builtins/windows/window_functions.h"
#include "builtins/windows/window_ids.h"
#include "foundation/messages.h"
#include "platform/input.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

enum Button : int { kLeft = 0, kRight = 1, kMiddle = 2, kWheel = 5, kTouch = 7 };
enum Mode : int { kOriginClient = 1, kOriginDirect = 2 };
constexpr unsigned kButtonStateBits[3] = {0x0001, 0x0002,
                                          0x0010};  // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON

CallerDesk& Me(BuiltinCall& call, DesktopState& desk) {
  return desk.callers[static_cast<std::size_t>(CallerIndex(call.context))];
}

// The origin offset: the origin window's client or frame corner, 0 without one.
void OriginOffset(CallerDesk& me, THensuFmt& context) {
  me.offsetX = me.offsetY = 0;
  if (me.originWindow == 0) return;
  const os::WindowHandle window = WindowOfValue(me.originWindow, context);
  if (window == 0 || os::IsMinimized(window)) return;
  const os::ScreenRect corner =
      me.originMode == kOriginClient ? os::ClientArea(window) : os::VisibleRect(window);
  me.offsetX = corner.x;
  me.offsetY = corner.y;
}

unsigned VirtualButtonState(const DesktopState& desk) {
  unsigned state = 0;
  for (int i = 0; i < 3; ++i) {
    if (desk.virtualButtons[i]) state |= kButtonStateBits[i];
  }
  if (desk.virtualModifiers[0]) state |= 0x0004;  // MK_SHIFT
  if (desk.virtualModifiers[1]) state |= 0x0008;  // MK_CONTROL
  return state;
}

bool DirectMode(const CallerDesk& me) {
  return me.originMode == kOriginDirect;
}

// BTN in direct mode: the button messages go to the child under the point.
void DirectButton(BuiltinCall& call, DesktopState& desk, CallerDesk& me, int button) {
  const BuiltinArgs& a = call.args;
  const os::WindowHandle window = me.originHandle;
  if (!os::IsWindowAlive(window) || button == kTouch) return;
  int x = desk.lastPointX, y = desk.lastPointY;
  if (a.count >= 4) {
    x = static_cast<int>(a.whole[2]);
    y = static_cast<int>(a.whole[3]);
  }
  desk.lastPointWindow = window;
  desk.lastPointX = x;
  desk.lastPointY = y;
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  if (button == kWheel) {
    constexpr std::uint32_t kMouseWheel = 0x020A;
    const os::ScreenRect client = os::ClientArea(window);
    const std::intptr_t point = ((client.x + x) & 0xFFFF) | (((client.y + y) & 0xFFFF) << 16);
    os::PostWindowMessage(os::ChildAtClientPoint(window, x, y), kMouseWheel,
                          static_cast<std::intptr_t>((a.whole[1] & 0xFFFF) << 16), point);
    return;
  }
  if (button < kLeft || button > kMiddle) return;
  const os::WindowHandle target = os::ChildAtClientPoint(window, x, y);
  int tx = x, ty = y;
  if (target != window) {
    const os::ScreenRect outer = os::ClientArea(window), inner = os::ClientArea(target);
    tx = x + outer.x - inner.x;
    ty = y + outer.y - inner.y;
  }
  const std::int64_t action = a.whole[1];
  const HeldInput input{false, button, target};
  if (action == kKeyClick || action == kKeyDown) {
    desk.virtualButtons[button] = true;
    os::PostButton(target, button, true, tx, ty, VirtualButtonState(desk));
    desk.Hold(input);
  }
  if (action == kKeyClick) os::SleepMs(20);
  if (action == kKeyClick || action == kKeyUp) {
    desk.virtualButtons[button] = false;
    os::PostButton(target, button, false, tx, ty, VirtualButtonState(desk));
    desk.Unhold(input);
  }
}

void TouchButton(BuiltinCall& call, DesktopState& desk, int x, int y) {
  const std::int64_t action = call.args.whole[1];
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  if (action == kKeyDown) {
    if (desk.touchContacts >= 2) {
      desk.touchContacts = 0;
      call.Fail(Msg(u"Multi-touch is up to 2 points", u"マルチタッチは ２点までです"));
      return;
    }
    desk.touchDownX[desk.touchContacts] = x;
    desk.touchDownY[desk.touchContacts] = y;
    ++desk.touchContacts;
    return;
  }
  int downX[2] = {x, x}, downY[2] = {y, y}, upX[2] = {x, x}, upY[2] = {y, y};
  int contacts = 1;
  if (desk.touchContacts > 0) {
    contacts = desk.touchContacts;
    for (int i = 0; i < contacts; ++i) {
      downX[i] = desk.touchDownX[i];
      downY[i] = desk.touchDownY[i];
      // A second contact keeps its distance to the first one up to the end.
      upX[i] = x + (downX[i] - downX[0]);
      upY[i] = y + (downY[i] - downY[0]);
    }
  }
  desk.touchContacts = 0;
  call.result = Value::Boolean(
      os::InjectTouch(contacts, downX, downY, upX, upY, static_cast<int>(call.args.whole[4])));
}

}  // namespace

void BuiltinMmv(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  DesktopState& desk = DesktopOf(call.context);
  CallerDesk& me = Me(call, desk);
  WaitBeforeAction(call, a.whole[2], 0);
  int x = static_cast<int>(a.whole[0]);
  int y = static_cast<int>(a.whole[1]);
  if (DirectMode(me)) {
    if (!os::IsWindowAlive(me.originHandle)) return;
    desk.lastPointWindow = me.originHandle;
    desk.lastPointX = x;
    desk.lastPointY = y;
    os::PostMouseMove(os::ChildAtClientPoint(me.originHandle, x, y), x, y,
                      VirtualButtonState(desk));
    return;
  }
  OriginOffset(me, call.context);
  x += me.offsetX;
  y += me.offsetY;
  const os::ScreenRect desktop = os::VirtualDesktop();
  x = std::clamp(x, desktop.x, desktop.x + desktop.width - 1);
  y = std::clamp(y, desktop.y, desktop.y + desktop.height - 1);
  os::SetCursorAt(x, y);
}

void BuiltinBtn(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  DesktopState& desk = DesktopOf(call.context);
  CallerDesk& me = Me(call, desk);
  const bool mainThread = call.context.recordIndex == 0;
  int button = static_cast<int>(a.whole[0]);
  WaitBeforeAction(call, a.whole[4], 0);
  if (DirectMode(me)) {
    DirectButton(call, desk, me, button);
    return;
  }
  int x = 0, y = 0;
  os::CursorAt(&x, &y);
  if (a.count >= 4) {
    OriginOffset(me, call.context);
    x = static_cast<int>(a.whole[2]) + me.offsetX;
    y = static_cast<int>(a.whole[3]) + me.offsetY;
    const os::ScreenRect desktop = os::VirtualDesktop();
    // A point off the desktop cancels the click rather than clicking at the edge.
    if (x < desktop.x || y < desktop.y || x > desktop.x + desktop.width ||
        y > desktop.y + desktop.height) {
      return;
    }
    x = std::min(x, desktop.x + desktop.width - 1);
    y = std::min(y, desktop.y + desktop.height - 1);
    if (button != kTouch) os::SetCursorAt(x, y);
  }
  if (button == kTouch) {
    TouchButton(call, desk, x, y);
    return;
  }
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  if (button == kWheel) {
    os::InjectWheel(static_cast<int>(a.whole[1]));
    return;
  }
  if (button < kLeft || button > kMiddle) return;
  if (button != kMiddle && os::ButtonsSwapped()) button = 1 - button;
  const std::int64_t action = a.whole[1];
  const HeldInput input{false, button, 0};
  if (action == kKeyClick || action == kKeyDown) {
    os::InjectButton(static_cast<os::MouseButton>(button), true);
    desk.Hold(input);
  }
  if (action == kKeyClick) os::SleepMs(20);
  if (action == kKeyClick || action == kKeyUp) {
    os::InjectButton(static_cast<os::MouseButton>(button), false);
    desk.Unhold(input);
    if (mainThread) {
      if (a.whole[0] == kLeft) desk.actionPending = true;
      if (a.whole[0] == kRight) desk.actionPending = false;
    }
  }
}

void BuiltinMuscur(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const std::int64_t shape = os::CursorShape();
  call.result = shape > 0 ? Value::Int(shape) : Value::Double(static_cast<double>(shape));
}

void BuiltinMouseorg(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  if (a.whole[0] == -1) return;
  DesktopState& desk = DesktopOf(call.context);
  CallerDesk& me = Me(call, desk);
  me.originWindow = static_cast<std::intptr_t>(a.whole[0]);
  me.originMode = static_cast<int>(a.whole[1]);
  me.captureMode = static_cast<int>(a.whole[2]);
  me.originHandle = 0;
  if (me.originMode == kOriginDirect) {
    std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
    for (int& modifier : desk.virtualModifiers) modifier = 0;
    for (bool& pressed : desk.virtualButtons) pressed = false;
    me.originHandle = WindowOfValue(a.whole[0], call.context);
  }
}

}  // namespace zelk
