// The screen image built-ins' branches and what they share.
#pragma once

#include <string>

#include "builtins/builtin_family.h"
#include "builtins/images/image_origin.h"
#include "platform/screen_image.h"

namespace zelk {

void BuiltinChkimg(BuiltinCall& call);
void BuiltinSaveimg(BuiltinCall& call);
void BuiltinPeekcolor(BuiltinCall& call);

// False, after reporting so, where there is no screen (POSIX hosts).
bool ScreenAvailable(BuiltinCall& call);

// n passes of window-message processing.
void PumpMessages(int n);

// The picture of the bitmap on the clipboard, tried attempts times 3 ms apart
// while another program holds the clipboard.
bool ClipboardPicture(int attempts, os::Bitmap* out);

// The capture method of a caller's origin record: 0 counts as a screen copy.
os::CaptureMode OriginCaptureMode(const ImageOrigin& origin);

}  // namespace zelk
