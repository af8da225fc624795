// Headless hosts have no screen, no windows and no clipboard of ours: the image
// built-ins refuse with a clear message before they get here, and each call
// fails should one arrive anyway.
#include "platform/screen_image.h"

namespace zelk::os {

bool ScreenImagesAvailable() {
  return false;
}

ScreenBox VirtualDesktopBox() {
  return ScreenBox{0, 0, 1280, 1024};
}

bool MeasureWindow(std::uintptr_t, bool, ScreenBox*) {
  return false;
}

bool CaptureArea(const CaptureRequest&, Bitmap*) {
  return false;
}

bool ReadClipboardDib(std::string*) {
  return false;
}

bool WriteClipboardDib(std::string_view) {
  return false;
}

}  // namespace zelk::os
