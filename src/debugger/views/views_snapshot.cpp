#include "debugger/views/views_snapshot.h"

#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"

namespace zelk {

ViewsSnapshot CaptureViews(DebugEngine& engine, THensuFmt& context, int frame,
                           const std::vector<std::u16string>& watches) {
  ViewsSnapshot snapshot;
  THensuFmt& global = context.interp->global;
  snapshot.global = &global;
  snapshot.local = &context;
  snapshot.globals = VariableRows(global);
  snapshot.locals = VariableRows(context);
  snapshot.frames = engine.Frames();
  if (!watches.empty()) snapshot.watches = EvaluateWatches(engine, context, frame, watches);
  return snapshot;
}

std::vector<WatchRow> EvaluateWatches(DebugEngine& engine, THensuFmt& context, int frame,
                                      const std::vector<std::u16string>& watches) {
  std::vector<WatchRow> rows;
  rows.reserve(watches.size());
  const bool stopped = !engine.Frames().empty();
  for (const std::u16string& text : watches) {
    WatchRow row;
    row.expression = text;
    Value value;
    std::u16string message;
    // At a stop the engine evaluates (its frames name the context); while
    // tracing there are no frames, and the hook's own context serves.
    const bool ok = stopped ? engine.Evaluate(frame, text, &value, &message)
                            : EvaluateQuietly(text, context, &value, &message);
    row.failed = !ok;
    row.value = ok ? FormatPrintValue(value, true) : message;
    rows.push_back(std::move(row));
  }
  return rows;
}

bool ContextIsLive(const DebugEngine& engine, const THensuFmt* global, const THensuFmt* context) {
  if (context == nullptr || !engine.Paused()) return false;
  if (context == global) return true;
  for (const Frame& frame : engine.Frames()) {
    if (frame.context == context) return true;
  }
  return false;
}

}  // namespace zelk
