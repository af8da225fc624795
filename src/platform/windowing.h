// The desktop's windows as the window built-ins see them: listing, states,
// placement, activation and monitors. A window is a number (its handle); 0 is
// none. On a host without a Windows desktop HasDesktop() is false and every
// other function answers "none".
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace zelk::os {

using WindowHandle = std::uintptr_t;

// Whether this host has the desktop these functions drive.
bool HasDesktop();

// The program's own windows, which listings skip and the special markers name.
// The debugger registers them as it creates them (0 unregisters).
enum class OwnWindow {
  kInterpreter,
  kMainWindow,
  kApplication,
  kStopForm,
  kPrintWindow,
  kAbout,    // the about/schedule window
  kBalloon,  // the main thread's balloon
  kForm,     // the two HTML form windows
  kForm2,
};
inline constexpr int kOwnWindowKinds = 9;
void SetOwnWindow(OwnWindow which, WindowHandle window);
WindowHandle OwnWindowHandle(OwnWindow which);

// One entry of a listing: title and class trimmed and upper-cased.
struct ListedWindow {
  WindowHandle handle = 0;
  std::u16string title;
  std::u16string className;
  bool visible = false;
};

// Top-level windows in Z order (parent 0), or all descendants of parent,
// passed through the listing filter (own windows, IME and helper windows,
// empty invisible ones left out). Ends early once *stop is non-zero.
std::vector<ListedWindow> ListWindows(WindowHandle parent, const std::atomic<int>* stop);

WindowHandle ForegroundWindow();
bool IsWindowAlive(WindowHandle window);
bool IsWindowShown(WindowHandle window);
WindowHandle ParentWindow(WindowHandle window);
// The window (control) under the mouse cursor.
WindowHandle ControlUnderCursor();
// The window a user would call the top window of window: up the parents until
// a listed top-level window (or, with stopAtMdiChild, an MDI child).
WindowHandle TopWindowOf(WindowHandle window, bool stopAtMdiChild);

// Lets the target finish its pending messages (8 s at most). True when it
// did not answer in time.
bool WaitIdle(WindowHandle window);
// True when the window exists and does not answer within ms.
bool IsBusy(WindowHandle window, int ms);

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
ScreenRect VisibleRect(WindowHandle window);
// The client area: the screen position of its top-left corner and its size.
ScreenRect ClientArea(WindowHandle window);
std::u16string WindowText(WindowHandle window);
std::u16string WindowClass(WindowHandle window);
bool IsMinimized(WindowHandle window);
bool IsMaximized(WindowHandle window);
bool IsMdiChild(WindowHandle window);

std::uint32_t ProcessIdOf(WindowHandle window);
// Whether the window's process is a 64-bit one.
bool IsProcess64(WindowHandle window);
// The full path of the window's program; "" when it cannot be read.
std::u16string ProcessPathOf(WindowHandle window);

// The Java Access Bridge's view of the window: "" and *isJava when the bridge
// answered, else the message to show (bridge missing, no context).
std::u16string JavaWindowCheck(WindowHandle window, bool* isJava);

enum class ShowAs { kHide, kShow, kMinimize, kMaximize, kNormal, kShowNormal };
void ShowWindowAs(WindowHandle window, ShowAs how);
void PostWindowMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                       std::intptr_t lparam);
// WM_SYSCOMMAND SC_CLOSE, or WM_QUIT when quit.
void PostClose(WindowHandle window, bool quit);

enum class ZOrder { kTop, kTopmost, kNoTopmost };
struct Placing {
  bool move = false;
  bool size = false;
  bool activate = true;
};
// SetWindowPos with x, y, width, height naming the visible frame.
void PlaceWindow(WindowHandle window, ZOrder order, const ScreenRect& rect, Placing placing);
// Brings the window to the foreground even against the foreground lock; with
// respectPopups an open popup menu keeps the focus.
void ForceActivate(WindowHandle window, bool respectPopups);

// Monitors in script order: number 0 the primary, the others in the system's
// order.
int MonitorCount();
struct MonitorFacts {
  ScreenRect bounds;
  bool primary = false;
  std::u16string name;  // the display device's description
};
bool MonitorAt(int number, MonitorFacts* facts);
// The script number of the monitor the window is on; -1 when unknown.
int MonitorOfWindow(WindowHandle window);

// GETCTLHND's menus: the window's menu (or the popup menu showing), its system menu.
WindowHandle MenuOf(WindowHandle window);
WindowHandle SystemMenuOf(WindowHandle window);

// n times: yield, then process pending messages.
void Pump(int n);
// Sleeps ms in slices of at most 50 ms with message processing between them.
void SleepPumping(int ms);

}  // namespace zelk::os
