// BMP files and clipboard DIBs to and from the image built-ins' 4-byte pixels.
#pragma once

#include <string>
#include <string_view>

#include "platform/screen_image.h"

namespace zelk {

// A .bmp file's bytes, or a bare DIB (header, masks, colours, bits) as the
// clipboard holds it: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed or
// with bit-field masks, either row order. False for anything else (also
// compressed or truncated data), out untouched.
bool DecodeBmp(std::string_view bytes, os::Bitmap* out);

// The picture at 32, 24, 16 (5-5-5), 8 (3-3-2 palette), 4 (the 16 standard
// colours) or 1 (black and white) bits per pixel; any other depth gives 24.
// The file form has the 14-byte file header, the DIB form starts at the
// info header.
std::string EncodeBmp(const os::Bitmap& image, int bitsPerPixel);
std::string EncodeDib(const os::Bitmap& image, int bitsPerPixel);

}  // namespace zelk
