// CHKIMG: a bitmap template looked for on the screen or inside the caller's
// origin window.
#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "builtins/images/image_functions.h"
#include "builtins/images/image_search.h"
#include "builtins/images/template_cache.h"
#include "foundation/messages.h"
#include "platform/desktop.h"
#include "platform/platform.h"

namespace zelk {
namespace {

// Capture and template height limits; a pixel row holds at most 32767 bytes.
constexpr int kMaxAreaRows = 4097;
constexpr int kMaxTemplateRows = 1081;
constexpr int kMaxRowBytes = 32767;

std::u16string AcquisitionFailure() {
  return Msg(u"CHKIMG: Image acquisition, or failure of resource reservation",
             u"CHKIMG: 画像取得、またはリソース確保の失敗");
}
std::u16string NotBmpFailure() {
  return Msg(u"CHKIMG: It is not BMP, or resource cannot be acquired",
             u"CHKIMG: フォーマット違い(BMPでない)、もしくはリソースを確保できません");
}

// The file name with its extension (if any) replaced by ".BMP".
std::u16string BmpPath(std::u16string_view file) {
  const std::size_t slash = file.find_last_of(u"\\/");
  const std::size_t dot = file.rfind(u'.');
  std::u16string path(file);
  if (dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash)) {
    path.resize(dot);
  }
  return path + u".BMP";
}

int ClampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, -2147483647, 2147483647));
}

// The area to capture, in screen coordinates or relative to the origin
// window; false when nothing of it is left (the template cannot be there).
bool SearchArea(const BuiltinArgs& a, const ImageOrigin& origin, os::CaptureRequest* request,
                bool* measured) {
  *measured = true;
  int x1 = ClampToInt(a.whole[2]), y1 = ClampToInt(a.whole[3]);
  int x2 = ClampToInt(a.whole[4]), y2 = ClampToInt(a.whole[5]);
  if (origin.window == 0) {
    const os::ScreenBox desk = os::VirtualDesktopBox();
    if (a.text[2].empty()) x1 = desk.left;
    if (a.text[3].empty()) y1 = desk.top;
    if (a.text[4].empty()) x2 = desk.right - 1;
    if (a.text[5].empty()) y2 = desk.bottom - 1;
    x1 = std::max(x1, desk.left);
    y1 = std::max(y1, desk.top);
    x2 = std::min(x2, desk.right - 1);
    y2 = std::min(y2, desk.bottom - 1);
  } else {
    os::ScreenBox window;
    if (!os::MeasureWindow(origin.window, origin.client, &window)) {
      *measured = false;
      return false;
    }
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    if (x2 <= x1 || y2 <= y1) {
      x1 = y1 = 0;
      x2 = window.Width() - 1;
      y2 = window.Height() - 1;
    }
    x2 = std::min(x2, window.Width() - 1);
    y2 = std::min(y2, window.Height() - 1);
  }
  if (x2 < x1 || y2 < y1) return false;
  request->window = origin.window;
  request->client = origin.window != 0 && origin.client;
  request->mode = origin.window ? OriginCaptureMode(origin) : os::CaptureMode::kScreen;
  request->x = x1;
  request->y = y1;
  request->width = x2 - x1 + 1;
  request->height = y2 - y1 + 1;
  return true;
}

// The template of the file argument; reports and returns null on failure.
std::shared_ptr<const os::Bitmap> Template(BuiltinCall& call, const std::u16string& file) {
  if (file.empty()) {
    auto picture = std::make_shared<os::Bitmap>();
    if (!ClipboardPicture(251, picture.get())) {
      call.Fail(NotBmpFailure());
      return nullptr;
    }
    return picture;
  }
  const std::u16string path = BmpPath(file);
  std::shared_ptr<const os::Bitmap> picture;
  switch (LoadTemplate(path, &picture)) {
    case TemplateLoad::kLoaded:
      return picture;
    case TemplateLoad::kMissing:
      call.Fail(u"Not found: " + path);
      return nullptr;
    case TemplateLoad::kNotBmp:
      call.Fail(u"It is the BMP file incorrect: " + path);
      return nullptr;
  }
  return nullptr;
}

void Search(BuiltinCall& call, int wanted, const ImageOrigin& origin) {
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  os::CaptureRequest request;
  bool measured = true;
  if (!SearchArea(a, origin, &request, &measured)) {
    if (!measured) call.Fail(AcquisitionFailure());
    return;
  }
  const int depth = os::ScreenColorDepth();
  const int rowBytes = depth == 32 ? 4 : 3;
  if (request.height > kMaxAreaRows || request.width > kMaxRowBytes / rowBytes) {
    call.Fail(NotBmpFailure());
    return;
  }
  os::Bitmap area;
  if (!os::CaptureArea(request, &area)) {
    call.Fail(AcquisitionFailure());
    return;
  }
  const std::shared_ptr<const os::Bitmap> pattern = Template(call, a.text[0]);
  if (!pattern) return;
  if (pattern->height > kMaxTemplateRows || pattern->width > kMaxRowBytes / rowBytes) {
    call.Fail(NotBmpFailure());
    return;
  }

  ImageSearchRequest search;
  search.reduced = a.whole[1] == -1;
  search.transparentCorner = static_cast<int>(std::clamp<std::int64_t>(a.whole[1], -1, 5));
  search.tolerance = a.whole[7] > 0 ? static_cast<std::uint32_t>(a.whole[7]) : 0;
  search.wanted = wanted;
  std::vector<ImageHit> hits;
  StopPoll poll(context);
  switch (SearchImage(area, *pattern, search, &hits, &poll)) {
    case ImageSearchOutcome::kStopped:
      return;
    case ImageSearchOutcome::kTooManyHits: {
      std::u16string message =
          Msg(u"CHKIMG: Number of Hit exceeded maximum value: ", u"CHKIMG: HIT数が最大値(");
      message += u"4096";
      message += Msg(u"", u")を超えました");
      call.Fail(message);
      return;
    }
    case ImageSearchOutcome::kDone:
      break;
  }
  if (hits.empty()) return;
  context.imageX = hits.back().x + request.x;
  context.imageY = hits.back().y + request.y;
  if (wanted < 0) {
    for (const ImageHit& hit : hits) {
      AppendResult(u"ALL_IMG_X", Value::Int(hit.x + request.x), context);
      AppendResult(u"ALL_IMG_Y", Value::Int(hit.y + request.y), context);
    }
    call.result = Value::Int(static_cast<std::int64_t>(hits.size()));
  } else {
    call.result = Value::Boolean(static_cast<int>(hits.size()) >= wanted);
  }
}

}  // namespace

void BuiltinChkimg(BuiltinCall& call) {
  if (!ScreenAvailable(call)) return;
  const BuiltinArgs& a = call.args;
  if (a.whole[7] >= 16777215) {
    call.Fail(
        Msg(u"CHKIMG: Value of the 8 argument is wrong", u"CHKIMG: 第8引数の値が間違っています"));
    return;
  }
  os::SleepMs(4);
  PumpMessages(10);
  int wanted = static_cast<int>(std::clamp<std::int64_t>(a.whole[6], -2147483647, 2147483647));
  if (wanted == 0) wanted = 1;
  THensuFmt& context = call.context;
  call.result = wanted < 0 ? Value::Int(0) : Value::Boolean(false);
  context.imageX = -999999;
  context.imageY = -999999;
  ClearResult(u"ALL_IMG_X", context);
  ClearResult(u"ALL_IMG_Y", context);
  try {
    Search(call, wanted, CallerImageOrigin(context));
  } catch (const std::bad_alloc&) {
    call.Fail(Msg(u"CHKIMG: error: out of memory", u"CHKIMG: error: メモリが足りません"));
  }
  if (call.failed) {
    context.imageX = -999999;
    context.imageY = -999999;
  }
}

}  // namespace zelk
