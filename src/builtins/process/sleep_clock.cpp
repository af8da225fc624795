// SLEEP and GETTIME.
#include <chrono>
#include <cmath>

#include "builtins/process/clock_time.h"
#include "builtins/process/process_functions.h"
#include "builtins/process/script_pump.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

bool SleepEnds(const THensuFmt& context) {
  if (WaitAbandoned(context) || context.interp->run.errorFlag.load(std::memory_order_relaxed) != 0)
    return true;
  // A script thread told to quit stops sleeping.
  const ScriptThread* thread = context.interp->threads.Own(context);
  return thread != nullptr && thread->control.load(std::memory_order_relaxed) == kThreadQuit;
}

}  // namespace

void BuiltinSleep(BuiltinCall& call) {
  THensuFmt& context = call.context;
  const double seconds = call.args.real[0];
  if (!(seconds > 0)) {
    os::ProcessMessages();
    return;
  }
  const double msReal = std::trunc(seconds * 1000.0);
  const std::int64_t ms =
      msReal > 9.0e15 ? std::int64_t{9000000000000000} : static_cast<std::int64_t>(msReal);
  if (!SleepUnlessStopped(static_cast<int>(ms % 100), context)) return;
  if (ms < 10) {
    if (ms > 0) ScriptPump(1, context);
    return;
  }
  const std::int64_t slices = ms / 100 * 2;
  const auto start = std::chrono::steady_clock::now();
  const auto duration = std::chrono::duration<double>(seconds);
  for (std::int64_t counted = 0;;) {
    if (counted >= slices) {
      ScriptPump(1, context);
      return;
    }
    if (SleepEnds(context)) return;
    // A 50 ms slice in 10 ms steps: a stop is seen within 10 ms.
    if (!SleepUnlessStopped(50, context)) return;
    ScriptPump(1, context);
    // While the debugger holds the run paused the time does not count.
    if (context.interp->run.runState.load(std::memory_order_relaxed) == kRunPaused) continue;
    if (std::chrono::steady_clock::now() - start > duration) {
      ScriptPump(1, context);
      return;
    }
    ++counted;
  }
}

void BuiltinGettime(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const double offset = a.real[0];
  THensuFmt& context = call.context;
  context.timeStamp = os::Now() + offset;
  if (!StampFromDateText(a.text[1], offset, &context.timeStamp)) {
    call.Fail(u"It is wrong date:" + a.text[1]);
    return;
  }
  call.result = Value::Double(SecondsSince2000(context.timeStamp));
}

}  // namespace zelk
