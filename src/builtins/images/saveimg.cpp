// SAVEIMG: part of the screen or of a window to a BMP or JPEG file, or to the
// clipboard.
#include <string>

#include "base/text_scan.h"
#include "builtins/images/bmp_codec.h"
#include "builtins/images/image_functions.h"
#include "builtins/images/jpeg_writer.h"
#include "builtins/windows/window_ids.h"
#include "foundation/messages.h"
#include "platform/platform.h"

namespace zelk {
namespace {

bool EndsWithNoCase(std::u16string_view text, std::u16string_view tail) {
  if (text.size() < tail.size()) return false;
  text = text.substr(text.size() - tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != tail[i]) return false;
  }
  return true;
}

// The colour depth a negative quality asks for; 24 otherwise.
int DepthOf(std::int64_t quality) {
  switch (quality) {
    case -32:
    case -24:
    case -16:
    case -8:
    case -4:
    case -1:
      return static_cast<int>(-quality);
    default:
      return 24;
  }
}

bool Stopping(const THensuFmt& context) {
  return context.interp != nullptr && StopPoll(context).Stopped(StopPoll::kStopPollSteps);
}

// Writes the bytes, retrying while another program holds the file.
bool WriteWithRetries(const std::u16string& path, const std::string& bytes,
                      const THensuFmt& context) {
  std::string error;
  for (int attempt = 0; attempt < 16; ++attempt) {
    if (attempt > 0) {
      if (Stopping(context)) return false;
      os::SleepMs(100);
    }
    if (os::ReplaceFileContent(path, bytes, &error)) return true;
  }
  return false;
}

bool ClipboardWithRetries(const std::string& dib) {
  for (int attempt = 0; attempt < 250; ++attempt) {
    if (attempt > 0) os::SleepMs(3);
    if (os::WriteClipboardDib(dib)) return true;
  }
  return false;
}

}  // namespace

void BuiltinSaveimg(BuiltinCall& call) {
  if (!ScreenAvailable(call)) return;
  const BuiltinArgs& a = call.args;
  std::u16string file = a.text[0];
  const std::int64_t quality = a.whole[7];
  const bool jpeg = quality >= 1 && quality <= 100;
  if (!file.empty() && file.back() == u'.') file.pop_back();
  if (!file.empty()) {
    if (jpeg) {
      if (!EndsWithNoCase(file, u".JPG") && !EndsWithNoCase(file, u".JPE") &&
          !EndsWithNoCase(file, u".JPEG")) {
        file += u".jpg";
      }
    } else if (!EndsWithNoCase(file, u".BMP")) {
      file += u".bmp";
    }
  }
  std::u16string failure =
      Msg(u"SAVEIMG: File couldn't be saved. ", u"SAVEIMG：ファイル保存できませんでした ");
  failure += file;

  const std::int64_t id = a.whole[1];
  os::CaptureRequest request;
  if (id != 0) {
    request.window = WindowOfId(static_cast<int>(id), call.context);
    // An ID that names no window must not quietly save the screen instead.
    if (request.window == 0) {
      call.Fail(failure);
      return;
    }
  }
  const os::ScreenBox desk = os::VirtualDesktopBox();
  request.x = static_cast<int>(a.whole[2]);
  request.y = static_cast<int>(a.whole[3]);
  if (id == 0 && a.text[2].empty()) request.x = desk.left;
  if (id == 0 && a.text[3].empty()) request.y = desk.top;
  request.width = static_cast<int>(a.whole[4]);
  request.height = static_cast<int>(a.whole[5]);
  request.client = a.whole[6] != 0;
  const std::int64_t mode = a.whole[8];
  request.mode = mode == 1   ? os::CaptureMode::kScreen
                 : mode == 2 ? os::CaptureMode::kPrint
                             : os::CaptureMode::kAuto;
  PumpMessages(20);

  os::Bitmap picture;
  bool captured = os::CaptureArea(request, &picture);
  if (!captured && request.window != 0 && request.mode != os::CaptureMode::kScreen) {
    request.mode = os::CaptureMode::kScreen;
    captured = os::CaptureArea(request, &picture);
  }
  if (!captured) {
    call.Fail(failure);
    return;
  }
  const int depth = DepthOf(quality);
  if (file.empty()) {
    if (!ClipboardWithRetries(EncodeDib(picture, depth))) call.Fail(failure);
    return;
  }
  const std::string bytes =
      jpeg ? EncodeJpeg(picture, static_cast<int>(quality)) : EncodeBmp(picture, depth);
  if (bytes.empty() || !WriteWithRetries(file, bytes, call.context)) call.Fail(failure);
}

}  // namespace zelk
