// No Windows desktop here: the window built-ins refuse before they get this
// far, and these answers keep any other caller harmless.
#include "platform/platform.h"
#include "platform/windowing.h"

namespace zelk::os {

bool HasDesktop() {
  return false;
}
void SetOwnWindow(OwnWindow, WindowHandle) {}
WindowHandle OwnWindowHandle(OwnWindow) {
  return 0;
}
std::vector<ListedWindow> ListWindows(WindowHandle, const std::atomic<int>*) {
  return {};
}
WindowHandle ForegroundWindow() {
  return 0;
}
bool IsWindowAlive(WindowHandle) {
  return false;
}
bool IsWindowShown(WindowHandle) {
  return false;
}
WindowHandle ParentWindow(WindowHandle) {
  return 0;
}
WindowHandle ControlUnderCursor() {
  return 0;
}
WindowHandle TopWindowOf(WindowHandle, bool) {
  return 0;
}
bool WaitIdle(WindowHandle) {
  return false;
}
bool IsBusy(WindowHandle, int) {
  return false;
}
ScreenRect VisibleRect(WindowHandle) {
  return {};
}
ScreenRect ClientArea(WindowHandle) {
  return {};
}
std::u16string WindowText(WindowHandle) {
  return {};
}
std::u16string WindowClass(WindowHandle) {
  return {};
}
bool IsMinimized(WindowHandle) {
  return false;
}
bool IsMaximized(WindowHandle) {
  return false;
}
bool IsMdiChild(WindowHandle) {
  return false;
}
std::uint32_t ProcessIdOf(WindowHandle) {
  return 0;
}
bool IsProcess64(WindowHandle) {
  return false;
}
std::u16string ProcessPathOf(WindowHandle) {
  return {};
}
std::u16string JavaWindowCheck(WindowHandle, bool* isJava) {
  *isJava = false;
  return u"Not Found: WindowsAccessBridge.DLL";
}
void ShowWindowAs(WindowHandle, ShowAs) {}
void PostWindowMessage(WindowHandle, std::uint32_t, std::intptr_t, std::intptr_t) {}
void PostClose(WindowHandle, bool) {}
void PlaceWindow(WindowHandle, ZOrder, const ScreenRect&, Placing) {}
void ForceActivate(WindowHandle, bool) {}
int MonitorCount() {
  return 0;
}
bool MonitorAt(int, MonitorFacts*) {
  return false;
}
int MonitorOfWindow(WindowHandle) {
  return -1;
}
WindowHandle MenuOf(WindowHandle) {
  return 0;
}
WindowHandle SystemMenuOf(WindowHandle) {
  return 0;
}
void Pump(int) {}
void SleepPumping(int ms) {
  SleepMs(ms);
}

}  // namespace zelk::os
