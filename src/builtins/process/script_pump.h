// The pauses every waiting built-in takes between its looks, so that the
// debugger's windows stay alive and a stop request is seen.
#pragma once

#include "runtime/core/context.h"

namespace zelk {

// n times a yield of the time slice, then one pass of message processing; on
// the main thread also the log's once-a-minute flush.
void ScriptPump(int n, const THensuFmt& context);
// n times (ten 10 ms sleeps, then message processing), then ScriptPump(2):
// about n x 100 ms. Ends early when the run is being stopped.
void ScriptPause(int n, const THensuFmt& context);

// Whether a wait of the calling context should end: the run is being stopped.
bool WaitAbandoned(const THensuFmt& context);

// Sleeps ms in slices of at most 10 ms, ending early when the wait is
// abandoned; false then.
bool SleepUnlessStopped(int ms, const THensuFmt& context);

}  // namespace zelk
