// The right-hand panel's upper part: the global variables grid on top, a
// splitter, and below it tabs for the local variables grid, the call stack
// and the watch list. The grids are list views drawn by the panel, so their
// cells can be read from outside like any list view (screen readers, tests).
//
// Threads: Refresh may be called from any thread (the engine's RefreshViews
// arrives on the interpreter's thread); everything else belongs to the
// thread that created the panel (the UI thread).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "debugger/debug_engine.h"

namespace zelk::window {

class VariablesPanel {
 public:
  // A child window of parent, visible; the owner places it with SetBounds.
  static std::unique_ptr<VariablesPanel> Create(HWND parent, DebugEngine& engine);
  virtual ~VariablesPanel() = default;

  virtual HWND Window() const = 0;
  // Places the panel (client coordinates of the parent) and refits the
  // grids' columns to the new width.
  virtual void SetBounds(const RECT& bounds) = 0;

  // Any thread. Copies the global variables, the context's variables, the
  // engine's frames and the watch values at once (the run waits in the hook
  // meanwhile), then shows them: at once on the UI thread, otherwise through
  // a message posted to the panel. Calls that come faster than the UI shows
  // them (tracing without delay) only replace the copy not yet shown.
  // Call it from DebugFrontEnd::RefreshViews.
  virtual void Refresh(THensuFmt& context) = 0;
  // Empties every view (a script was opened). UI thread.
  virtual void Clear() = 0;

  // Names of the source files by file index, for the call stack's lines.
  virtual void SetFileNames(std::vector<std::u16string> names) = 0;
  // Called when the user picks a frame in the call stack (to show its line).
  virtual void OnFrameSelected(std::function<void(SourceLine)> handler) = 0;

  // The global grid's height (the middle number of the saved layout).
  virtual int GlobalHeight() const = 0;
  virtual void SetGlobalHeight(int height) = 0;

  // The grids and lists, for the owner's tab order and for tests.
  virtual HWND GlobalGrid() const = 0;
  virtual HWND LocalGrid() const = 0;
  virtual HWND CallStackList() const = 0;
  virtual HWND WatchList() const = 0;
};

}  // namespace zelk::window
