// The key primitive shared by KBD, SCKEY and the item functions, and the
// release of what a run left pressed.
#pragma once

#include "builtins/windows/desktop_state.h"
#include "platform/windowing.h"

namespace zelk {

enum KeyAction : int { kKeyClick = 0, kKeyDown = 1, kKeyUp = 2 };

// A key press and/or release: injected, or with direct posted to target's
// focused child (the child under the last point when target was addressed
// by one). The caller holds desk.inputLock.
void SendKey(DesktopState& desk, int key, int action, os::WindowHandle target, bool direct,
             bool mainThread);

// Lets go of one held press.
void ReleaseHeld(const HeldInput& input);

// Whether key is one of Shift, Ctrl, Alt (0, 1, 2), or -1.
int ModifierIndex(int key);

}  // namespace zelk
