// THREAD: the routine's parameters are bound as for a call, then the prepared
// context starts as a script thread.
#include <memory>

#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/core/interpreter.h"

namespace zelk {

Value StartScriptThread(std::unique_ptr<THensuFmt> prepared, THensuFmt& caller, bool* failed) {
  const int number = caller.interp->threads.Start(std::move(prepared), caller);
  if (number < 0 && failed) *failed = true;
  return Value::Int(number);
}

Value RunThreadStart(const ThreadStartTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed) {
  return RunUserRoutine(target.routine, site, context, failed);
}

}  // namespace zelk
