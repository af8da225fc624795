// The process and system built-ins' branches.
#pragma once

#include "builtins/builtin_family.h"

namespace zelk {

// Programs and shell commands: EXEC, DOSCMD, POWERSHELL.
void BuiltinExec(BuiltinCall& call);
void BuiltinDoscmd(BuiltinCall& call);
void BuiltinPowershell(BuiltinCall& call);

// Waiting and the clock: SLEEP, GETTIME.
void BuiltinSleep(BuiltinCall& call);
void BuiltinGettime(BuiltinCall& call);

// Script threads: CTRLTRD.
void BuiltinCtrltrd(BuiltinCall& call);

// The machine: POFF, CPUUSERATE.
void BuiltinPoff(BuiltinCall& call);
void BuiltinCpuUseRate(BuiltinCall& call);

// "NAME is not available on this platform", as a run-time error of the call.
void FailNotOnThisPlatform(BuiltinCall& call, std::u16string_view what);

}  // namespace zelk
