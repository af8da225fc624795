#include "builtins/images/jpeg_writer.h"

#include <vector>

// stb's single-file writer; only its JPEG part is used.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
// A system include: its warnings are stb's, not ours.
#include <stb/stb_image_write.h>

namespace zelk {
namespace {

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

}  // namespace

std::string EncodeJpeg(const os::Bitmap& image, int quality) {
  if (image.width <= 0 || image.height <= 0) return std::string();
  std::vector<unsigned char> rgb(static_cast<std::size_t>(image.width) * image.height * 3);
  for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i) {
    rgb[i * 3] = image.bgrx[i * 4 + 2];
    rgb[i * 3 + 1] = image.bgrx[i * 4 + 1];
    rgb[i * 3 + 2] = image.bgrx[i * 4];
  }
  std::string out;
  if (!stbi_write_jpg_to_func(Append, &out, image.width, image.height, 3, rgb.data(), quality)) {
    out.clear();
  }
  return out;
}

}  // namespace zelk
