// Dropping files onto another program's window, as a user drags them there
// from a folder and lets go.
#pragma once

#include <string>
#include <vector>

#include "platform/windowing.h"

namespace zelk::os {

struct FileDrop {
  std::u16string folder;              // the items' folder ("" the current one)
  std::vector<std::u16string> names;  // relative to folder
  bool atPoint = false;               // else the middle of the client area
  int x = 0, y = 0;                   // client coordinates of the drop point
};

enum class DropOutcome {
  kDropped,
  kOutside,  // the point lies beyond the client area: nothing was dropped
  kFailed,   // *error says why
};

// Restores a minimised window, activates it and drops the items on it at the
// point; the cursor is put back afterwards.
DropOutcome DropFiles(WindowHandle window, const FileDrop& drop, std::u16string* error);

}  // namespace zelk::os
