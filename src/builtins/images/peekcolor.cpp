// PEEKCOLOR: one pixel of the screen, of the origin window or of the bitmap
// on the clipboard.
#include "builtins/images/image_functions.h"
#include "platform/platform.h"

namespace zelk {
namespace {

// A failing capture is tried this many more times, 200 ms apart.
constexpr int kCaptureRetries = 3;

constexpr std::int64_t kColRgb = 3, kColR = 4, kColG = 5, kColB = 6;

bool PixelAt(const os::Bitmap& picture, std::int64_t x, std::int64_t y, const std::uint8_t** px) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return false;
  *px = picture.Row(static_cast<int>(y)) + x * 4;
  return true;
}

}  // namespace

void BuiltinPeekcolor(BuiltinCall& call) {
  if (!ScreenAvailable(call)) return;
  const BuiltinArgs& a = call.args;
  const std::int64_t x = a.whole[0], y = a.whole[1];
  call.result = Value::Int(-1);
  os::Bitmap picture;
  const std::uint8_t* px = nullptr;
  if (a.whole[3] != 0) {
    if (!ClipboardPicture(251, &picture) || !PixelAt(picture, x, y, &px)) return;
  } else {
    const ImageOrigin origin = CallerImageOrigin(call.context);
    if (origin.window == 0) {
      const os::ScreenBox desk = os::VirtualDesktopBox();
      if (x < desk.left || y < desk.top || x >= desk.right || y >= desk.bottom) return;
    }
    os::CaptureRequest request;
    request.window = origin.window;
    request.client = origin.window != 0 && origin.client;
    request.mode = origin.window ? OriginCaptureMode(origin) : os::CaptureMode::kScreen;
    request.x = static_cast<int>(x);
    request.y = static_cast<int>(y);
    request.width = request.height = 1;
    bool captured = os::CaptureArea(request, &picture);
    for (int retry = 0; !captured && retry < kCaptureRetries; ++retry) {
      if (StopPoll(call.context).Stopped(StopPoll::kStopPollSteps)) return;
      os::SleepMs(200);
      PumpMessages(80);
      captured = os::CaptureArea(request, &picture);
    }
    if (!captured || !PixelAt(picture, 0, 0, &px)) return;
  }
  const std::int64_t b = px[0], g = px[1], r = px[2];
  switch (a.whole[2]) {
    case kColRgb:
      call.result = Value::Int(r << 16 | g << 8 | b);
      break;
    case kColR:
      call.result = Value::Int(r);
      break;
    case kColG:
      call.result = Value::Int(g);
      break;
    case kColB:
      call.result = Value::Int(b);
      break;
    default:
      call.result = Value::Int(b << 16 | g << 8 | r);
  }
}

}  // namespace zelk
