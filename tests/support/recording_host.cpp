#include "support/recording_host.h"

#include "runtime/core/interpreter.h"

namespace zelk {

void RecordingHost::DebugHook(THensuFmt& context, bool atEnd) {
  if (atEnd) {
    endedBodies.push_back(context.baseIndex);
    return;
  }
  hookedRows.push_back(context.curOffset);
  const auto at = static_cast<std::size_t>(context.curOffset);
  const bool atText =
      !stopAtText.empty() && at < context.stmtTexts.size() && context.stmtTexts[at] == stopAtText;
  if (!stopped && (atText || (stopAfter > 0 && static_cast<int>(hookedRows.size()) >= stopAfter))) {
    context.interp->run.abortLevel = 1;
    stopped = true;
  }
}

void RecordingHost::ShowErrorRow(THensuFmt& context) {
  const LineColumn& lines = context.interp->table.StmtLines;
  const auto row = static_cast<std::size_t>(context.Row());
  errorRows.push_back(row < lines.size() ? lines[row].Text() : u"");
}

}  // namespace zelk
