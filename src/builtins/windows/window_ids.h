// Window IDs as the other families use them: a script names a window by the
// small number GETID gave it (0 the foreground window).
#pragma once

#include <cstdint>
#include <string_view>

#include "builtins/builtin_family.h"
#include "runtime/core/context.h"

namespace zelk {

// The window handle of a script's window ID (0 = none / not a live window).
std::uintptr_t WindowOfId(int id, THensuFmt& context);

// The window of a value that is an ID (0..table length) or else a raw
// handle; 0 unless it is a live window.
std::uintptr_t WindowOfValue(std::int64_t value, THensuFmt& context);

// The ID of a window, appended to the run's table when new; -1 for none.
int IdOfWindow(std::uintptr_t window, THensuFmt& context);

// After an action that tends to open or close windows (EXEC, a click, Enter):
// the next GETID of the main thread waits longer.
void SetActionPending(THensuFmt& context);

// False, with the error reported, where the host has no Windows desktop.
bool RequireDesktop(BuiltinCall& call);

}  // namespace zelk
