// The window family's branches.
#pragma once

#include "builtins/builtin_family.h"

namespace zelk {

void BuiltinGetid(BuiltinCall& call);
void BuiltinCtrlwin(BuiltinCall& call);
void BuiltinAcw(BuiltinCall& call);
void BuiltinGetallwin(BuiltinCall& call);
void BuiltinIdtohnd(BuiltinCall& call);
void BuiltinHndtoid(BuiltinCall& call);
void BuiltinStatus(BuiltinCall& call);
void BuiltinMonitor(BuiltinCall& call);
void BuiltinGetctlhnd(BuiltinCall& call);

// Waits ms before an action: on the main thread less the time since the last
// built-in returned; a remainder of -9..0 sleeps minimumMs.
void WaitBeforeAction(BuiltinCall& call, std::int64_t ms, int minimumMs);

}  // namespace zelk
