// Search templates loaded once and kept for the life of the program; a file
// changed on disk is read again at its next use. Safe to use from script
// threads.
#pragma once

#include <memory>
#include <string>

#include "platform/screen_image.h"

namespace zelk {

enum class TemplateLoad { kLoaded, kMissing, kNotBmp };

// The picture of the .bmp file at path (the key, compared exactly).
TemplateLoad LoadTemplate(const std::u16string& path, std::shared_ptr<const os::Bitmap>* out);

}  // namespace zelk
