#include "platform/dialogs.h"
#include "platform/win32/dialogs/gdi_calls.h"

namespace zelk::os {

bool DialogsAvailable() {
  return win::Gdi().loaded;
}

}  // namespace zelk::os
