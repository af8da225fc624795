// The report of the components that are not built yet (DLL calls, COM
// automation, script threads), so that a script never silently skips one.
#pragma once

#include <string_view>

#include "runtime/core/context.h"

namespace zelk {

// "WHAT is not available yet: TEXT"; sets *failed (may be null).
void ReportNotAvailable(THensuFmt& context, std::u16string_view what, std::u16string_view text,
                        bool* failed);

}  // namespace zelk
