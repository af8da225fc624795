// The image built-ins read the origin MOUSEORG left for the caller.
#include "builtins/images/image_origin.h"

#include "builtins/builtin_family.h"
#include "builtins/windows/desktop_state.h"
#include "builtins/windows/window_ids.h"

namespace zelk {

ImageOrigin CallerImageOrigin(THensuFmt& context) {
  const CallerDesk& me = DesktopOf(context).callers[static_cast<std::size_t>(CallerIndex(context))];
  ImageOrigin origin;
  if (me.originWindow != 0) origin.window = WindowOfValue(me.originWindow, context);
  origin.client = me.originMode == 1;  // MORG_CLIENT
  origin.captureMode = me.captureMode;
  return origin;
}

}  // namespace zelk
