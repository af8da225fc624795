// The caller's mouse origin (MOUSEORG) as the image built-ins use it: their
// coordinates are relative to that window when one is set.
#pragma once

#include <cstdint>

#include "runtime/core/context.h"

namespace zelk {

struct ImageOrigin {
  std::uintptr_t window = 0;  // 0: the screen
  bool client = false;        // relative to the client area
  int captureMode = 0;        // MORG_FORE 1 screen copy, MORG_BACK 2 window print; 0 as 1
};

ImageOrigin CallerImageOrigin(THensuFmt& context);

}  // namespace zelk
