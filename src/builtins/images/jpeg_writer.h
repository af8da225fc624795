// JPEG files of screen pictures.
#pragma once

#include <string>

#include "platform/screen_image.h"

namespace zelk {

// The picture as a baseline JPEG with quality 1..100; empty when it could not
// be encoded.
std::string EncodeJpeg(const os::Bitmap& image, int quality);

}  // namespace zelk
