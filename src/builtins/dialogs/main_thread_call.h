// The one way the dialog built-ins reach their windows: every window of this
// family lives on the run's main thread.
#pragma once

#include <functional>

#include "runtime/core/context.h"

namespace zelk::dialogs {

// Runs show on the main thread and waits for it; true when it ran.
//
// On the main thread show runs at once. A script thread hands show to the
// main thread and waits until it has run; one without a live slot is refused,
// and the caller returns its no-window result ("", or -1 for POPUPMENU).
// A dialog may run on the script thread itself while the main thread is stuck
// in an automation call; a drop may not.
bool RunOnMainThread(THensuFmt& context, const std::function<void()>& show,
                     bool mayRunDirectly = true);

}  // namespace zelk::dialogs
