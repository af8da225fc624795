// The template search of CHKIMG: every position of the area, rows top to
// bottom and left to right within a row, where the template fits. Each
// position is decided by an early-out comparison of whole template rows, so
// an absent template costs about one pixel comparison per position.
#pragma once

#include <cstdint>
#include <vector>

#include "builtins/builtin_family.h"
#include "platform/screen_image.h"

namespace zelk {

// The hit list never holds more entries than this.
inline constexpr int kMaxImageHits = 4096;

struct ImageSearchRequest {
  // 1..4: the template's top-left, top-right, bottom-left or bottom-right
  // pixel's colour matches anything; any other value: no transparent colour.
  int transparentCorner = 0;
  // Per channel tolerance, 0x00BBGGRR: a byte t matches t-m..t+m.
  std::uint32_t tolerance = 0;
  // n > 0 stops at the n-th hit; n <= 0 finds all.
  int wanted = 1;
  // Both pictures reduced to 8-bit palette colours first.
  bool reduced = false;
};

struct ImageHit {
  int x, y;
};

enum class ImageSearchOutcome {
  kDone,         // hits holds every hit asked for (maybe none)
  kTooManyHits,  // more than kMaxImageHits; hits holds the first kMaxImageHits
  kStopped,      // the run is being stopped
};

ImageSearchOutcome SearchImage(const os::Bitmap& area, const os::Bitmap& pattern,
                               const ImageSearchRequest& search, std::vector<ImageHit>* hits,
                               StopPoll* poll);

// The 8-bit palette index (3 bits red, 3 green, 2 blue) of a pixel, shared by
// the reduced search and the 8-bit BMP writer.
inline std::uint8_t ReducedIndex(const std::uint8_t* bgrx) {
  return static_cast<std::uint8_t>((bgrx[2] & 0xE0) | ((bgrx[1] & 0xE0) >> 3) | (bgrx[0] >> 6));
}

}  // namespace zelk
