// Facts about the desktop that scripts read as special names.
#pragma once

namespace zelk::os {

// The virtual desktop: the bounding box of all monitors.
int VirtualScreenWidth();
int VirtualScreenHeight();
// Bits per pixel of the screen (planes times bits per plane).
int ScreenColorDepth();
// The mouse cursor in screen coordinates; 0, 0 when it cannot be read.
void CursorPosition(int* x, int* y);

}  // namespace zelk::os
