// A copy of what the variable views, the call stack and the watch list show,
// taken on the interpreter's thread while the run waits, so that a window on
// another thread can show it without touching the run.
#pragma once

#include <string>
#include <vector>

#include "debugger/debug_engine.h"
#include "debugger/variable_view.h"

namespace zelk {

struct WatchRow {
  std::u16string expression;
  std::u16string value;  // display text, or the error message
  bool failed = false;
};

struct ViewsSnapshot {
  std::vector<VariableRow> globals;
  std::vector<VariableRow> locals;
  THensuFmt* global = nullptr;
  // The context the local rows come from; only valid while the run that made
  // the copy is still paused (check with ContextIsLive before using it).
  THensuFmt* local = nullptr;
  std::vector<Frame> frames;  // empty while tracing (the run goes on)
  std::vector<WatchRow> watches;
};

// On the interpreter's thread, inside DebugFrontEnd::RefreshViews (or a
// task of WhilePaused); the watches are evaluated in the engine's frame
// (context is that frame's at a stop).
ViewsSnapshot CaptureViews(DebugEngine& engine, THensuFmt& context, int frame,
                           const std::vector<std::u16string>& watches);

// The watch values in the engine's frame (at a stop), or in the context
// (while tracing). On the interpreter's thread.
std::vector<WatchRow> EvaluateWatches(DebugEngine& engine, THensuFmt& context, int frame,
                                      const std::vector<std::u16string>& watches);

// Whether context may still be read and written: the global context, or a
// frame of the stop the run waits in now. Any thread.
bool ContextIsLive(const DebugEngine& engine, const THensuFmt* global, const THensuFmt* context);

}  // namespace zelk
