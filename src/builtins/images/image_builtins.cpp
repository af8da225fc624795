// The screen image family registers its branches.
#include "builtins/images/bmp_codec.h"
#include "builtins/images/image_functions.h"
#include "foundation/messages.h"
#include "platform/platform.h"

namespace zelk {

bool ScreenAvailable(BuiltinCall& call) {
  if (os::ScreenImagesAvailable()) return true;
  std::u16string message(call.name);
  message += Msg(u" is not available on this platform", u" はこのプラットフォームでは使えません");
  call.Fail(message);
  return false;
}

void PumpMessages(int n) {
  for (int i = 0; i < n; ++i) os::ProcessMessages();
}

bool ClipboardPicture(int attempts, os::Bitmap* out) {
  std::string dib;
  for (int i = 0; i < attempts; ++i) {
    if (i > 0) os::SleepMs(3);
    if (os::ReadClipboardDib(&dib)) return DecodeBmp(dib, out);
  }
  return false;
}

os::CaptureMode OriginCaptureMode(const ImageOrigin& origin) {
  return origin.captureMode == 2 ? os::CaptureMode::kPrint : os::CaptureMode::kScreen;
}

void AddImageBuiltins(BuiltinBranchTable& table) {
  table.Set(u"CHKIMG", BuiltinChkimg);
  table.Set(u"SAVEIMG", BuiltinSaveimg);
  table.Set(u"PEEKCOLOR", BuiltinPeekcolor);
}

}  // namespace zelk
