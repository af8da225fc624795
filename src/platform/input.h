// Synthesised mouse and keyboard input, key states, the input lock and hot
// keys. Everything injected carries the marker the lock's hooks let through.
// Without a desktop (HasDesktop false) these do nothing and answer false/0.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windowing.h"

namespace zelk::os {

// The virtual desktop: the bounding box of every monitor.
ScreenRect VirtualDesktop();
void SetCursorAt(int x, int y);
void CursorAt(int* x, int* y);

enum class MouseButton { kLeft, kRight, kMiddle };
void InjectButton(MouseButton button, bool down);
void InjectWheel(int amount);
bool ButtonsSwapped();

// One key event: codes of 256 and above are Unicode characters. extended sets
// the extended-key flag.
void InjectKey(int key, bool down, bool extended);
bool AsyncKeyDown(int key);
bool KeyToggled(int key);
// Whether the foreground window's input method is open.
bool ImeOpen();
// The cursor shape now showing: 1..16 for the standard cursors (IDC_APPSTARTING
// ... IDC_WAIT), else the negated handle.
std::int64_t CursorShape();

// Direct mode: input as posted window messages.
// The window that takes keys in window: its thread's focus when it is window
// or a descendant, else window itself.
WindowHandle FocusedChild(WindowHandle window);
// A child window of window under client point x, y (window when none).
WindowHandle ChildAtClientPoint(WindowHandle window, int x, int y);
// WM_KEYDOWN/WM_KEYUP with the scan code; modifiers held virtually (key codes
// of Shift, Ctrl, Alt; 0 = up) are in the keyboard state the target reads.
void PostKey(WindowHandle target, int key, bool down, const int modifiers[3]);
// Button messages: button 0 left, 1 right, 2 middle; state is the MK_ bits.
void PostButton(WindowHandle target, int button, bool down, int x, int y, unsigned state);
void PostMouseMove(WindowHandle target, int x, int y, unsigned state);

// Touch injection (two contacts at most). False when the system has none.
bool TouchAvailable();
bool InjectTouch(int contacts, const int downX[], const int downY[], const int upX[],
                 const int upY[], int stepMs);

// Input lock. BlockInput for everything; false when the system refuses.
bool BlockAllInput(bool block);
// Low-level hooks on a thread of their own: keyboard unless devices is 2,
// mouse unless devices is 1; target 0 locks every window. Ctrl+Alt+Delete
// removes them.
bool StartInputHooks(WindowHandle target, int devices);
void StopInputHooks();
bool InputHooksActive();

// Mouse-button presses seen since the last read (left, right, middle), from a
// mouse hook started on the first call.
bool TakeLatchedButton(int button);
void StopButtonLatch();

// Script hot keys: the callback runs on the registering thread while it
// processes messages. False when the system refuses the combination.
using HotKeyCallback = void (*)(int slot, void* data);
bool RegisterScriptHotKey(int slot, unsigned modifiers, unsigned key, HotKeyCallback callback,
                          void* data);
void UnregisterScriptHotKey(int slot);

}  // namespace zelk::os
