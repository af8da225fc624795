// No Windows desktop here: no input to synthesise.
#include "platform/input.h"

namespace zelk::os {

ScreenRect VirtualDesktop() {
  return {};
}
void SetCursorAt(int, int) {}
void CursorAt(int* x, int* y) {
  *x = *y = 0;
}
void InjectButton(MouseButton, bool) {}
void InjectWheel(int) {}
bool ButtonsSwapped() {
  return false;
}
void InjectKey(int, bool, bool) {}
bool AsyncKeyDown(int) {
  return false;
}
bool KeyToggled(int) {
  return false;
}
bool ImeOpen() {
  return false;
}
std::int64_t CursorShape() {
  return 0;
}
WindowHandle FocusedChild(WindowHandle window) {
  return window;
}
WindowHandle ChildAtClientPoint(WindowHandle window, int, int) {
  return window;
}
void PostKey(WindowHandle, int, bool, const int[3]) {}
void PostButton(WindowHandle, int, bool, int, int, unsigned) {}
void PostMouseMove(WindowHandle, int, int, unsigned) {}
bool TouchAvailable() {
  return false;
}
bool InjectTouch(int, const int[], const int[], const int[], const int[], int) {
  return false;
}
bool BlockAllInput(bool) {
  return false;
}
bool StartInputHooks(WindowHandle, int) {
  return false;
}
void StopInputHooks() {}
bool InputHooksActive() {
  return false;
}
bool TakeLatchedButton(int) {
  return false;
}
void StopButtonLatch() {}
bool RegisterScriptHotKey(int, unsigned, unsigned, HotKeyCallback, void*) {
  return false;
}
void UnregisterScriptHotKey(int) {}

}  // namespace zelk::os
