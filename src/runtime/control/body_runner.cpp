#include "runtime/control/body_runner.h"

#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"

namespace zelk {

std::span<const std::u16string> BodyRows(const Interpreter& interp, int headerIndex) {
  const StatementTable& table = interp.table;
  const std::size_t rows = table.StmtTexts.size();
  const std::size_t header = static_cast<std::size_t>(headerIndex);
  if (headerIndex < 0 || header >= rows) return {};
  std::size_t end = header + 1;
  while (end < rows && !(end < table.StmtKinds.size() && table.StmtKinds[end] == kKindFend)) ++end;
  return std::span<const std::u16string>(table.StmtTexts).subspan(header, end - header);
}

void RunBody(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  const std::int32_t length = static_cast<std::int32_t>(context.stmtTexts.size());
  for (context.curOffset = 1; context.curOffset < length;) {
    if (context.exitFlag != 0 || interp.run.errorFlag != 0) break;
    // A stop ends the body, except that under OPTION OPTFINALLY the executor
    // still gets the row so that it runs the FINALLY parts of open TRYs.
    if (interp.run.abortLevel > 0 && !(interp.options.optFinally && !context.tryStack.empty()))
      break;
    const std::int32_t before = context.curOffset;
    ExecuteRow(context);
    // A row that does not advance (a BREAK or CONTINUE with no loop to take
    // it, a stop) would otherwise be tried for ever.
    if (context.curOffset <= before) break;
  }
  context.curOffset = length;
  context.exitFlag = 0;
  context.breakCount = 0;
  context.continueCount = 0;
  if (interp.debugWatch.Wants(static_cast<std::size_t>(context.Row()))) RowHook(context, true);
}

void RowHook(THensuFmt& context, bool atEnd, bool hook) {
  Interpreter& interp = *context.interp;
  if (context.recordIndex == 0) interp.mainCalls.Serve();
  if (hook && interp.debugWatch.WantsHook(static_cast<std::size_t>(context.Row()))) {
    interp.host().DebugHook(context, atEnd);
  }
}

std::u16string TooDeepMessage(std::u16string_view name) {
  return Msg(u"Calls are nested too deeply (endless recursion?): ",
             u"関数呼び出しの入れ子が深すぎます（無限再帰？）: ") +
         std::u16string(name);
}

}  // namespace zelk
