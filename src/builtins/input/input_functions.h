// The input family's branches and what its files share.
#pragma once

#include "builtins/builtin_family.h"
#include "builtins/windows/desktop_state.h"

namespace zelk {

// Registered with the window family's branches.
void AddInputBuiltins(BuiltinBranchTable& table);

void BuiltinMmv(BuiltinCall& call);
void BuiltinBtn(BuiltinCall& call);
void BuiltinMuscur(BuiltinCall& call);
void BuiltinMouseorg(BuiltinCall& call);
void BuiltinKbd(BuiltinCall& call);
void BuiltinSckey(BuiltinCall& call);
void BuiltinGetkeystate(BuiltinCall& call);
void BuiltinLockhard(BuiltinCall& call);
void BuiltinLockhardex(BuiltinCall& call);
void BuiltinSethotkey(BuiltinCall& call);

// Registers a slot's hot key again after SendKey took it off for a moment.
void RegisterHotKeyAgain(DesktopState& desk, int slot, const HotKeyEntry& entry);

// Lifts the input lock of desk (both kinds); the mode becomes 0.
void UnlockInput(DesktopState& desk);
// Puts back a lock of mode 1 or 2 after a lift.
void LockInput(DesktopState& desk, int mode, bool mainThread);

}  // namespace zelk
