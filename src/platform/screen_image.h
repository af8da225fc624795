// Screen and window pictures for the image built-ins, and device-independent
// bitmaps on the clipboard. Pixels are always 4 bytes, blue, green, red and a
// fourth byte that is 0, rows top-down without padding: one format that the
// search compares with memcmp whatever the screen's depth.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::os {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgrx;  // width * height * 4 bytes

  std::uint8_t* Row(int y) { return bgrx.data() + static_cast<std::size_t>(y) * width * 4; }
  const std::uint8_t* Row(int y) const {
    return bgrx.data() + static_cast<std::size_t>(y) * width * 4;
  }
};

// False where there is no screen to take pictures of (POSIX hosts).
bool ScreenImagesAvailable();

struct ScreenBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// The virtual desktop: the bounding box of all monitors.
ScreenBox VirtualDesktopBox();

// The window's visible frame, or its client area, in screen coordinates;
// false when window is no live window.
bool MeasureWindow(std::uintptr_t window, bool client, ScreenBox* rect);

enum class CaptureMode {
  kAuto = 0,    // a screen copy, or a print of an obscured app-frame window
  kScreen = 1,  // a copy of what the screen shows
  kPrint = 2,   // the window draws itself, even when covered
};

// An area of the screen (window 0, screen coordinates) or of a window (relative
// to its visible frame or its client area). A zero width or height extends the
// area to the right or bottom edge of the window or the desktop.
struct CaptureRequest {
  std::uintptr_t window = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool client = false;
  CaptureMode mode = CaptureMode::kScreen;
};

// False when the window is gone, the area is empty or resources ran out.
bool CaptureArea(const CaptureRequest& request, Bitmap* out);

// The clipboard's device-independent bitmap (header, colours and bits, as in
// a .bmp file after its file header); false when there is none or the
// clipboard is held by another program.
bool ReadClipboardDib(std::string* dib);
bool WriteClipboardDib(std::string_view dib);

}  // namespace zelk::os
