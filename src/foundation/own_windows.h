// The interpreter's own windows (the debugger's main window, the stop form,
// the log window, balloons ...). The window functions leave them out of their
// searches and answer their special markers from here; a script thread reads
// their recorded titles instead of messaging a window whose thread may be
// blocked. Handles are the system's window handles as numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelk {

enum class OwnWindowRole {
  kDebuggerMain,  // the debugger's main window
  kApplication,   // the program's application window, where it has one
  kPrintWindow,   // the interpreter's own output window (the print/log window)
  kStopForm,
  kBalloon,      // one per thread that shows a balloon
  kAboutWindow,  // the about/schedule window the debugger registers
};

struct OwnWindow {
  OwnWindowRole role;
  std::uintptr_t handle;
  std::u16string title;  // as recorded when registered or retitled
  int thread;            // caller index of the thread that owns it (balloons)
};

// Registers handle in role, or updates its title; thread matters for balloons.
void AddOwnWindow(OwnWindowRole role, std::uintptr_t handle, std::u16string_view title,
                  int thread = 0);
void RemoveOwnWindow(std::uintptr_t handle);

bool IsOwnWindow(std::uintptr_t handle);
// The recorded title; false when handle is not one of them.
bool OwnWindowTitle(std::uintptr_t handle, std::u16string* title);
// The first window of role (for balloons: thread's own, else the main
// thread's, else any); 0 when there is none.
std::uintptr_t FindOwnWindow(OwnWindowRole role, int thread = 0);
std::vector<OwnWindow> OwnWindows();

}  // namespace zelk
