#include "builtins/process/script_pump.h"

#include "foundation/script_log.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"

namespace zelk {

void ScriptPump(int n, const THensuFmt& context) {
  for (int i = 0; i < n; ++i) os::SleepMs(0);
  os::ProcessMessages();
  if (context.recordIndex == 0) {
    FlushLogEveryMinute();
    // Script threads waiting for the main thread are served in its waits too.
    context.interp->mainCalls.Serve();
  }
}

void ScriptPause(int n, const THensuFmt& context) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < 10; ++j) {
      if (WaitAbandoned(context)) return;
      os::SleepMs(10);
    }
    os::ProcessMessages();
  }
  ScriptPump(2, context);
}

bool WaitAbandoned(const THensuFmt& context) {
  return context.interp->run.abortLevel.load(std::memory_order_relaxed) > 0;
}

bool SleepUnlessStopped(int ms, const THensuFmt& context) {
  while (ms > 0) {
    if (WaitAbandoned(context)) return false;
    const int slice = ms < 10 ? ms : 10;
    os::SleepMs(slice);
    ms -= slice;
  }
  return !WaitAbandoned(context);
}

}  // namespace zelk
