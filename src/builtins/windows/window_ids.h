// The run's window IDs as other families of built-ins see them.
#pragma once

#include <cstdint>

#include "runtime/core/context.h"

namespace zelk {

// The window handle of a script's window ID (0 = none / not a live window).
std::uintptr_t WindowOfId(int id, THensuFmt& context);

}  // namespace zelk
