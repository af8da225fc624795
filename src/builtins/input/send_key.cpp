#include "builtins/input/send_key.h"

#include <vector>

#include "builtins/input/input_functions.h"
#include "platform/input.h"
#include "platform/platform.h"

namespace zelk {
namespace {

// Keys sent in another form: the right-hand modifiers and the keypad Enter
// travel as the generic key with the extended flag.
int SentKey(int key, bool* extended) {
  *extended = false;
  switch (key) {
    case 161:
      *extended = true;
      return 16;
    case 163:
      *extended = true;
      return 17;
    case 165:
      *extended = true;
      return 18;
    case 901:
      *extended = true;
      return 13;
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
    case 39:
    case 40:  // pages, ends, arrows
    case 45:
    case 46:
    case 111:  // Insert, Delete, keypad divide
      *extended = true;
      return key;
    default:
      return key;
  }
}

bool IsModifierOrWin(int key) {
  return ModifierIndex(key) >= 0 || key == 91 || key == 92;
}

}  // namespace

int ModifierIndex(int key) {
  switch (key) {
    case 16:
    case 160:
    case 161:
      return 0;
    case 17:
    case 162:
    case 163:
      return 1;
    case 18:
    case 164:
    case 165:
      return 2;
    default:
      return -1;
  }
}

void SendKey(DesktopState& desk, int key, int action, os::WindowHandle target, bool direct,
             bool mainThread) {
  const bool press = action == kKeyClick || action == kKeyDown;
  const bool release = action == kKeyClick || action == kKeyUp;
  if (direct) {
    if (!os::IsWindowAlive(target)) return;
    const int modifier = ModifierIndex(key);
    if (modifier >= 0) {
      if (press) desk.virtualModifiers[modifier] = key;
      if (release) desk.virtualModifiers[modifier] = 0;
      return;
    }
    const os::WindowHandle to =
        target == desk.lastPointWindow
            ? os::ChildAtClientPoint(target, desk.lastPointX, desk.lastPointY)
            : os::FocusedChild(target);
    // Real modifiers held by the user would change what the target reads.
    for (int i = 0;
         i < 500 && (os::AsyncKeyDown(16) || os::AsyncKeyDown(17) || os::AsyncKeyDown(18)); ++i) {
      os::SleepPumping(20);
    }
    bool extended = false;
    const int sent = key == 901 ? 13 : SentKey(key, &extended);
    if (press) os::PostKey(to, sent, true, desk.virtualModifiers);
    if (release) os::PostKey(to, sent, false, desk.virtualModifiers);
    return;
  }
  bool extended = false;
  const int sent = SentKey(key, &extended);
  // A script hot key on this key (or, for a modifier, any) would fire on the
  // injected press: it is off for the moment. Only its own thread may touch it.
  std::vector<int> suspended;
  if (press && mainThread) {
    for (std::size_t slot = 0; slot < desk.hotKeys.size(); ++slot) {
      const HotKeyEntry& entry = desk.hotKeys[slot];
      if (!entry.procedure.empty() && (entry.key == sent || IsModifierOrWin(sent))) {
        os::UnregisterScriptHotKey(static_cast<int>(slot));
        suspended.push_back(static_cast<int>(slot));
      }
    }
  }
  if (press) os::InjectKey(sent, true, extended);
  if (release) os::InjectKey(sent, false, extended);
  for (int slot : suspended) {
    const HotKeyEntry& entry = desk.hotKeys[static_cast<std::size_t>(slot)];
    RegisterHotKeyAgain(desk, slot, entry);
  }
}

void ReleaseHeld(const HeldInput& input) {
  static const int kNoModifiers[3] = {0, 0, 0};
  if (input.key) {
    bool extended = false;
    const int sent = SentKey(input.code, &extended);
    if (input.window) {
      os::PostKey(os::FocusedChild(input.window), sent, false, kNoModifiers);
    } else {
      os::InjectKey(sent, false, extended);
    }
    return;
  }
  if (input.window) {
    int x = 0, y = 0;
    os::CursorAt(&x, &y);
    const os::ScreenRect client = os::ClientArea(input.window);
    os::PostButton(input.window, input.code, false, x - client.x, y - client.y, 0);
  } else {
    os::InjectButton(static_cast<os::MouseButton>(input.code), false);
  }
}

}  // namespace zelk
