// Headless hosts have no desktop to ask: scripts see one fixed 1280x1024
// screen of 24 bits with the cursor resting at its top-left corner, so that
// what they compute from these values stays the same from run to run.
#include "platform/desktop.h"

namespace zelk::os {

int VirtualScreenWidth() {
  return 1280;
}
int VirtualScreenHeight() {
  return 1024;
}
int ScreenColorDepth() {
  return 24;
}

void CursorPosition(int* x, int* y) {
  *x = 0;
  *y = 0;
}

}  // namespace zelk::os
