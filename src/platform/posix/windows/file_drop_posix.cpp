// No other programs' windows here: the built-in reports that before asking.
#include "platform/file_drop.h"

namespace zelk::os {

DropOutcome DropFiles(WindowHandle, const FileDrop&, std::u16string* error) {
  *error = u"there are no windows to drop on";
  return DropOutcome::kFailed;
}

}  // namespace zelk::os
