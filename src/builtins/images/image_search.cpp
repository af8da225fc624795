#include "builtins/images/image_search.h"

#include <cstring>

namespace zelk {
namespace {

// One picture as the matcher sees it: 4 bytes (blue, green, red, 0) or 1 byte
// (palette index) per pixel, rows top-down without padding.
struct Plane {
  int width = 0, height = 0, bytes = 4;
  const std::uint8_t* data = nullptr;
  std::vector<std::uint8_t> reduced;  // the bytes when reduced

  Plane(const os::Bitmap& b, bool reduce) : width(b.width), height(b.height) {
    if (!reduce) {
      data = b.bgrx.data();
      return;
    }
    bytes = 1;
    reduced.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < reduced.size(); ++i) reduced[i] = ReducedIndex(&b.bgrx[i * 4]);
    data = reduced.data();
  }
  const std::uint8_t* Row(int y) const {
    return data + static_cast<std::size_t>(y) * width * bytes;
  }
};

// A stretch of template pixels that must match, as byte offsets in its row.
struct Run {
  int row, offset, length;
};

// The template turned into what the comparisons need once: the runs of pixels
// that count (transparent ones left out) and, with a tolerance, the allowed
// range of each byte.
class CompiledPattern {
 public:
  CompiledPattern(const Plane& p, const ImageSearchRequest& search) : plane_(p) {
    const int bpp = p.bytes;
    bool transparent = false;
    std::uint8_t key[3] = {};
    if (bpp == 4 && search.transparentCorner >= 1 && search.transparentCorner <= 4) {
      const int cx =
          (search.transparentCorner == 2 || search.transparentCorner == 4) ? p.width - 1 : 0;
      const int cy = search.transparentCorner >= 3 ? p.height - 1 : 0;
      std::memcpy(key, p.Row(cy) + cx * 4, 3);
      transparent = true;
    }
    for (int y = 0; y < p.height; ++y) {
      const std::uint8_t* row = p.Row(y);
      int start = -1;
      for (int x = 0; x <= p.width; ++x) {
        const bool counts = x < p.width && !(transparent && std::memcmp(row + x * 4, key, 3) == 0);
        if (counts && start < 0) start = x;
        if (!counts && start >= 0) {
          runs_.push_back(Run{y, start * bpp, (x - start) * bpp});
          start = -1;
        }
      }
    }
    tolerant_ = bpp == 4 && (search.tolerance & 0xFFFFFF) != 0;
    if (tolerant_) {
      const int m[3] = {static_cast<int>((search.tolerance >> 16) & 0xFF),
                        static_cast<int>((search.tolerance >> 8) & 0xFF),
                        static_cast<int>(search.tolerance & 0xFF)};
      const std::size_t n = static_cast<std::size_t>(p.width) * p.height * 4;
      low_.resize(n);
      high_.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        const int c = static_cast<int>(i % 4);
        const int t = p.data[i];
        low_[i] = static_cast<std::uint8_t>(c == 3 ? 0 : (t - m[c] < 0 ? 0 : t - m[c]));
        high_[i] = static_cast<std::uint8_t>(c == 3 ? 255 : (t + m[c] > 255 ? 255 : t + m[c]));
      }
    }
    // Two probe pixels reject nearly every position at once: the first pixel
    // that counts and the first one of another colour after it.
    if (!runs_.empty()) {
      probes_[0] =
          Probe{runs_[0].row, runs_[0].offset, Load(p.Row(runs_[0].row) + runs_[0].offset, bpp)};
      probeCount_ = 1;
      for (const Run& r : runs_) {
        for (int off = r.offset; off < r.offset + r.length && probeCount_ < 2; off += bpp) {
          if (std::memcmp(p.Row(r.row) + off, p.Row(runs_[0].row) + runs_[0].offset, bpp) != 0) {
            probes_[probeCount_++] = Probe{r.row, off, Load(p.Row(r.row) + off, bpp)};
          }
        }
        if (probeCount_ == 2) break;
      }
    }
  }

  // Whether the template matches with its top-left corner at (x, y) of area.
  bool MatchesAt(const Plane& area, int x, int y) const {
    const std::size_t base = static_cast<std::size_t>(x) * area.bytes;
    for (int i = 0; i < probeCount_; ++i) {
      const std::uint8_t* screen = area.Row(y + probes_[i].row) + base + probes_[i].offset;
      if (tolerant_) {
        if (!Same(screen, probes_[i].row, probes_[i].offset, plane_.bytes)) return false;
      } else if (Load(screen, plane_.bytes) != probes_[i].value) {
        return false;
      }
    }
    for (const Run& r : runs_) {
      if (!Same(area.Row(y + r.row) + base + r.offset, r.row, r.offset, r.length)) return false;
    }
    return true;
  }

 private:
  struct Probe {
    int row, offset;
    std::uint32_t value;  // the template's pixel, as Load reads it
  };

  static std::uint32_t Load(const std::uint8_t* p, int bytes) {
    if (bytes == 1) return *p;
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }

  bool Same(const std::uint8_t* screen, int row, int offset, int length) const {
    const std::size_t at = static_cast<std::size_t>(row) * plane_.width * plane_.bytes + offset;
    if (!tolerant_) return std::memcmp(screen, plane_.data + at, length) == 0;
    const std::uint8_t* lo = low_.data() + at;
    const std::uint8_t* hi = high_.data() + at;
    for (int i = 0; i < length; ++i) {
      if (screen[i] < lo[i] || screen[i] > hi[i]) return false;
    }
    return true;
  }

  const Plane& plane_;
  std::vector<Run> runs_;
  bool tolerant_ = false;
  std::vector<std::uint8_t> low_, high_;
  Probe probes_[2] = {};
  int probeCount_ = 0;
};

}  // namespace

ImageSearchOutcome SearchImage(const os::Bitmap& area, const os::Bitmap& pattern,
                               const ImageSearchRequest& search, std::vector<ImageHit>* hits,
                               StopPoll* poll) {
  hits->clear();
  if (pattern.width <= 0 || pattern.height <= 0 || pattern.width > area.width ||
      pattern.height > area.height) {
    return ImageSearchOutcome::kDone;
  }
  if (search.reduced && pattern.width == 1 && pattern.height == 1) {
    hits->push_back(ImageHit{0, 0});
    return ImageSearchOutcome::kDone;
  }
  const Plane screen(area, search.reduced);
  const Plane tmpl(pattern, search.reduced);
  const CompiledPattern compiled(tmpl, search);
  const int lastX = area.width - pattern.width, lastY = area.height - pattern.height;
  for (int y = 0; y <= lastY; ++y) {
    if (poll && poll->Stopped(area.width)) return ImageSearchOutcome::kStopped;
    for (int x = 0; x <= lastX; ++x) {
      if (!compiled.MatchesAt(screen, x, y)) continue;
      if (static_cast<int>(hits->size()) == kMaxImageHits) return ImageSearchOutcome::kTooManyHits;
      hits->push_back(ImageHit{x, y});
      if (search.wanted > 0 && static_cast<int>(hits->size()) >= search.wanted) {
        return ImageSearchOutcome::kDone;
      }
      // Matches on one row do not overlap.
      x += pattern.width - 1;
    }
  }
  return ImageSearchOutcome::kDone;
}

}  // namespace zelk
