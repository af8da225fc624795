// THREAD: the routine's parameters are bound as for a call, then the prepared
// context starts as a script thread. Script threads cannot run yet; both
// steps report so.
#include <memory>

#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/calls/not_available.h"

namespace zelk {

bool ScriptThreadsAvailable(std::u16string_view callText, THensuFmt& context) {
  ReportNotAvailable(context, u"THREAD", callText, nullptr);
  return false;
}

Value StartScriptThread(std::unique_ptr<THensuFmt>, THensuFmt& caller, bool* failed) {
  ReportNotAvailable(caller, u"THREAD", u"", failed);
  return Value::FailedByte();
}

Value RunThreadStart(const ThreadStartTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed) {
  return RunUserRoutine(target.routine, site, context, failed);
}

}  // namespace zelk
