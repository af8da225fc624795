// What the window and input built-ins keep for one interpreter: the run's
// window IDs, each caller's GETID memory and mouse origin, the inputs a
// script holds down, the input lock and the hot keys. A new run starts the ID
// table afresh; whatever a run holds down is let go when it ends, however it
// ends.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/windowing.h"
#include "runtime/core/context.h"

namespace zelk {

class Interpreter;

inline constexpr int kCallers = 65;

struct CallerDesk {
  int lastGetId = -1;
  std::u16string lastGetIdTitle;
  int acwX = 0;
  int acwY = 0;
  // Mouse origin.
  std::intptr_t originWindow = 0;     // a handle or an ID, as MOUSEORG got it; 0 the screen
  int originMode = 0;                 // 0 none, 1 client area, 2 direct messages
  int captureMode = 0;                // MORG_FORE 1 / MORG_BACK 2
  os::WindowHandle originHandle = 0;  // direct mode: the window resolved by MOUSEORG
  int offsetX = 0;
  int offsetY = 0;
};

// A press not yet released: a key code or a mouse button (0 left, 1 right,
// 2 middle), and the window it went to in direct mode (0 injected).
struct HeldInput {
  bool key = false;
  int code = 0;
  os::WindowHandle window = 0;
};

struct HotKeyEntry {
  int key = 0;
  int modifiers = 0;
  std::u16string procedure;  // "" for a free slot
  std::u16string module;
};

class DesktopState {
 public:
  explicit DesktopState(Interpreter& interp);
  ~DesktopState();
  DesktopState(const DesktopState&) = delete;
  DesktopState& operator=(const DesktopState&) = delete;

  Interpreter& interp;

  // WindowIdLock: IDs are positions + 1; an ID is never reused in a run.
  std::recursive_mutex idLock;
  std::vector<os::WindowHandle> ids;
  // The window's ID, appended when it has none yet; -1 for no window.
  int IdOf(os::WindowHandle window);
  // The handle behind an ID: 0 the foreground window; 0 when unknown or gone.
  os::WindowHandle HandleOf(std::int64_t id);

  std::array<CallerDesk, kCallers> callers;
  // Set after actions that tend to open or close windows; GETID then waits longer.
  std::atomic<bool> actionPending{false};

  // InputLock: a press and its release never interleave with another thread's.
  std::recursive_mutex inputLock;
  std::vector<HeldInput> held;  // under inputLock
  void Hold(const HeldInput& input);
  void Unhold(const HeldInput& input);
  // Direct mode: the virtual modifiers (key codes of Shift, Ctrl, Alt; 0 up)
  // and mouse buttons.
  int virtualModifiers[3] = {0, 0, 0};
  bool virtualButtons[3] = {false, false, false};
  os::WindowHandle lastPointWindow = 0;  // direct mode: the window last addressed by a point
  int lastPointX = 0;
  int lastPointY = 0;

  // Touch contacts waiting for their UP.
  int touchContacts = 0;
  int touchDownX[2] = {0, 0};
  int touchDownY[2] = {0, 0};

  // Input lock: 0 none, 1 LOCKHARD, 2 LOCKHARDEX (with its target and devices).
  int lockMode = 0;
  os::WindowHandle lockTarget = 0;
  int lockDevices = 0;

  std::vector<HotKeyEntry> hotKeys;
  bool latchStarted = false;

  // Lets go of everything held and lifts the input lock; safe on any thread.
  void ReleaseInputs();
  // Watches the run while something is held, locked or latched, and calls
  // ReleaseInputs once it ends (stopped, failed or finished).
  void WatchRun();

  // A new run: no IDs, nothing held, no hot keys.
  void ResetForRun();

 private:
  void Watch();

  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  bool quitting_ = false;
  std::thread watcher_;
};

// The state of the context's interpreter, made on first use.
DesktopState& DesktopOf(THensuFmt& context);

}  // namespace zelk
