// KBD, SCKEY and GETKEYSTATE.
#include <algorithm>
#include <mutex>
#include <vector>

#include "builtins/input/input_functions.h"
#include "builtins/input/send_key.h"
#include "builtins/windows/window_ids.h"
#include "platform/input.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

enum Toggle : int { kNumLock = 10000, kCapsLock, kScrollLock, kKanaLock, kIme };

bool IsEnter(int key) {
  return key == 13 || key == 901;
}

bool IsHeldModifier(int key) {
  return ModifierIndex(key) >= 0 || key == 91 || key == 92;
}

bool IsAlt(int key) {
  return key == 18 || key == 164 || key == 165;
}

// SCKEY's pause between keys: the target catches up.
void Breathe() {
  os::SleepMs(20);
  os::Pump(40);
}

}  // namespace

void BuiltinKbd(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  DesktopState& desk = DesktopOf(context);
  const CallerDesk& me = desk.callers[static_cast<std::size_t>(CallerIndex(context))];
  const bool mainThread = context.recordIndex == 0;
  const int key = static_cast<int>(a.whole[0]);
  const std::int64_t action = a.whole[1];
  os::SleepPumping(static_cast<int>(std::clamp<std::int64_t>(a.whole[2], 2, 0x7FFFFFFF)));
  const bool direct = me.originMode == 2;
  const os::WindowHandle target = direct ? me.originHandle : 0;
  if (direct && !os::IsWindowAlive(target)) return;
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  const HeldInput input{true, key, target};
  if (action == kKeyClick || action == kKeyDown) {
    SendKey(desk, key, kKeyDown, target, direct, mainThread);
    desk.Hold(input);
  }
  if (action == kKeyClick || action == kKeyUp) {
    SendKey(desk, key, kKeyUp, target, direct, mainThread);
    desk.Unhold(input);
    if (IsEnter(key)) SetActionPending(context);
  }
}

void BuiltinSckey(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  DesktopState& desk = DesktopOf(context);
  const bool mainThread = context.recordIndex == 0;
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), context);
  if (window == 0) return;
  os::WaitIdle(window);
  std::vector<int> keys;
  for (int i = 1; i < a.count; ++i) keys.push_back(static_cast<int>(a.whole[i]));

  // Alt would reach a locked system as the user's: the lock is lifted meanwhile.
  const int lockMode = desk.lockMode;
  const bool liftLock = lockMode != 0 && std::any_of(keys.begin(), keys.end(), IsAlt);
  if (liftLock) UnlockInput(desk);

  // A hidden or minimised window takes keys only when shown: far off-screen.
  const bool hidden = !os::IsWindowShown(window);
  const bool minimized = os::IsMinimized(window);
  const os::WindowHandle previous = os::ForegroundWindow();
  const os::ScreenRect place = os::VisibleRect(window);
  if (hidden || minimized) {
    os::ShowWindowAs(window, hidden ? os::ShowAs::kShow : os::ShowAs::kShowNormal);
    os::PlaceWindow(window, os::ZOrder::kTop, os::ScreenRect{999999, place.y, 0, 0},
                    os::Placing{.move = true, .size = false, .activate = true});
  }

  os::ForceActivate(window, true);
  std::vector<int> kept;
  {
    std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
    for (int key : keys) {
      os::WaitIdle(window);
      Breathe();
      if (IsHeldModifier(key)) {
        SendKey(desk, key, kKeyDown, 0, false, mainThread);
        desk.Hold(HeldInput{true, key, 0});
        kept.push_back(key);
      } else {
        SendKey(desk, key, kKeyClick, 0, false, mainThread);
      }
    }
    Breathe();
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
      SendKey(desk, *it, kKeyUp, 0, false, mainThread);
      desk.Unhold(HeldInput{true, *it, 0});
    }
  }
  Breathe();

  if (hidden || minimized) {
    os::PlaceWindow(window, os::ZOrder::kTop, place,
                    os::Placing{.move = true, .size = false, .activate = false});
    os::ShowWindowAs(window, hidden ? os::ShowAs::kHide : os::ShowAs::kMinimize);
    if (previous) os::ForceActivate(previous, false);
  }
  if (liftLock) LockInput(desk, lockMode, mainThread);
  SetActionPending(context);
}

void BuiltinGetkeystate(BuiltinCall& call) {
  call.result = Value::Boolean(false);
  if (!RequireDesktop(call)) return;
  int key = static_cast<int>(call.args.whole[0]);
  switch (key) {
    case kNumLock:
      call.result = Value::Boolean(os::KeyToggled(0x90));
      return;
    case kCapsLock:
      call.result = Value::Boolean(os::KeyToggled(0x14));
      return;
    case kScrollLock:
      call.result = Value::Boolean(os::KeyToggled(0x91));
      return;
    case kKanaLock:
      call.result = Value::Boolean(os::KeyToggled(0x15));
      return;
    case kIme:
      call.result = Value::Boolean(os::ImeOpen());
      return;
    default:
      break;
  }
  if ((key == 1 || key == 2) && os::ButtonsSwapped()) key = 3 - key;
  if (key == 901) key = 13;
  bool down = os::AsyncKeyDown(key);
  // A click shorter than the time between two reads still counts once.
  const int button = key == 1 ? 0 : key == 2 ? 1 : key == 4 ? 2 : -1;
  if (button >= 0) {
    DesktopState& desk = DesktopOf(call.context);
    {
      std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
      desk.latchStarted = true;
    }
    desk.WatchRun();
    if (os::TakeLatchedButton(button)) down = true;
  }
  call.result = Value::Boolean(down);
}

}  // namespace zelk
