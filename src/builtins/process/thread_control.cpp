// CTRLTRD(thread number, command): suspend, resume, quit or re-prioritise a
// script thread.
#include "builtins/process/process_functions.h"
#include "runtime/core/interpreter.h"

namespace zelk {

void BuiltinCtrltrd(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  // What is no number names no thread and no command: nothing happens.
  if (!a.numeric[0] || !a.numeric[1]) return;
  const std::int64_t number = a.whole[0];
  const std::int64_t command = a.whole[1];
  if (number < 0 || number >= kMaxScriptThreads || command < 0 || command > kTrdHighest) return;
  call.context.interp->threads.Control(static_cast<int>(number), static_cast<int>(command));
}

}  // namespace zelk
