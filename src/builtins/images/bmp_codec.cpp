#include "builtins/images/bmp_codec.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "builtins/images/image_search.h"

namespace zelk {
namespace {

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;
// Larger pictures than any screen are refused before memory is reserved.
constexpr std::int64_t kMaxSide = 32767;

std::uint32_t U16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A channel read through a bit-field mask, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
  }
  std::uint8_t Of(std::uint32_t v) const {
    if (!mask || bits == 0) return 0;
    const std::uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(c >> (bits - 8));
    const std::uint32_t max = (1u << bits) - 1;
    return static_cast<std::uint8_t>((c * 255 + max / 2) / max);
  }
};

// The 16 standard colours, as blue, green, red.
constexpr std::uint8_t kStandard16[16][3] = {
    {0, 0, 0},     {0, 0, 128},     {0, 128, 0},     {0, 128, 128},  {128, 0, 0}, {128, 0, 128},
    {128, 128, 0}, {192, 192, 192}, {128, 128, 128}, {0, 0, 255},    {0, 255, 0}, {0, 255, 255},
    {255, 0, 0},   {255, 0, 255},   {255, 255, 0},   {255, 255, 255}};

int Nearest16(const std::uint8_t* px) {
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < 16; ++i) {
    int d = 0;
    for (int c = 0; c < 3; ++c) {
      const int diff = px[c] - kStandard16[i][c];
      d += diff * diff;
    }
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

}  // namespace

bool DecodeBmp(std::string_view bytes, os::Bitmap* out) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t info = 0, bitsAt = 0;
  bool fileForm = false;
  if (size >= 14 && data[0] == 'B' && data[1] == 'M') {
    info = 14;
    bitsAt = U32(data + 10);
    fileForm = true;
  }
  if (size < info + 12) return false;
  const std::uint32_t headerSize = U32(data + info);
  if (headerSize < 12 || size < info + headerSize) return false;
  std::int64_t width, height;
  std::uint32_t bpp, compression = kBiRgb, colours = 0;
  if (headerSize == 12) {
    width = U16(data + info + 4);
    height = static_cast<std::int16_t>(U16(data + info + 6));
    bpp = U16(data + info + 10);
  } else {
    if (headerSize < 40) return false;
    width = static_cast<std::int32_t>(U32(data + info + 4));
    height = static_cast<std::int32_t>(U32(data + info + 8));
    bpp = U16(data + info + 14);
    compression = U32(data + info + 16);
    colours = U32(data + info + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (compression != kBiRgb && !(compression == kBiBitfields && (bpp == 16 || bpp == 32))) {
    return false;
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;

  // Masks: inside a V4/V5 header, else just after a 40-byte one.
  std::size_t after = info + headerSize;
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  if (compression == kBiBitfields) {
    std::size_t at = info + 40;
    if (headerSize == 40) after += 12;
    if (size < at + 12) return false;
    for (int i = 0; i < 3; ++i) masks[i] = U32(data + at + 4 * i);
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  // Palette entries: 3 bytes after a 12-byte header, else 4.
  const std::size_t entry = headerSize == 12 ? 3 : 4;
  std::size_t paletteCount = 0;
  if (bpp <= 8) {
    paletteCount = colours ? colours : (1u << bpp);
    if (paletteCount > 256) return false;
  }
  const std::size_t paletteAt = after;
  if (size < paletteAt + paletteCount * entry) return false;
  // Pictures of more than 8 bits may carry an optional colour table too.
  const std::size_t tableEntries = bpp <= 8 ? paletteCount : colours;
  if (tableEntries > 256) return false;
  if (!fileForm) bitsAt = paletteAt + tableEntries * entry;

  const std::size_t stride = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
  if (bitsAt > size || size - bitsAt < stride * static_cast<std::size_t>(height)) return false;

  os::Bitmap image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.bgrx.assign(static_cast<std::size_t>(width) * height * 4, 0);
  for (int y = 0; y < image.height; ++y) {
    const int srcRow = topDown ? y : image.height - 1 - y;
    const std::uint8_t* s = data + bitsAt + stride * static_cast<std::size_t>(srcRow);
    std::uint8_t* d = image.Row(y);
    for (int x = 0; x < image.width; ++x, d += 4) {
      switch (bpp) {
        case 32:
        case 16: {
          const std::uint32_t v = bpp == 32 ? U32(s + x * 4) : U16(s + x * 2);
          d[0] = blue.Of(v);
          d[1] = green.Of(v);
          d[2] = red.Of(v);
          break;
        }
        case 24:
          std::memcpy(d, s + x * 3, 3);
          break;
        default: {
          const int perByte = 8 / static_cast<int>(bpp);
          const int shift = 8 - static_cast<int>(bpp) * (x % perByte + 1);
          const std::size_t index = (s[x / perByte] >> shift) & ((1u << bpp) - 1);
          if (index >= paletteCount) return false;
          std::memcpy(d, data + paletteAt + index * entry, 3);
        }
      }
    }
  }
  *out = std::move(image);
  return true;
}

std::string EncodeDib(const os::Bitmap& image, int bitsPerPixel) {
  int bpp = bitsPerPixel;
  if (bpp != 32 && bpp != 16 && bpp != 8 && bpp != 4 && bpp != 1) bpp = 24;
  const int paletteCount = bpp <= 8 ? (1 << bpp) : 0;
  const std::size_t stride = ((static_cast<std::size_t>(image.width) * bpp + 31) / 32) * 4;
  std::string s;
  s.reserve(40 + paletteCount * 4 + stride * image.height);
  Put32(s, 40);
  Put32(s, static_cast<std::uint32_t>(image.width));
  Put32(s, static_cast<std::uint32_t>(image.height));  // bottom-up, as most readers expect
  Put16(s, 1);
  Put16(s, static_cast<std::uint32_t>(bpp));
  Put32(s, kBiRgb);
  Put32(s, static_cast<std::uint32_t>(stride * image.height));
  Put32(s, 3780);  // 96 dots per inch
  Put32(s, 3780);
  Put32(s, static_cast<std::uint32_t>(paletteCount));
  Put32(s, 0);
  for (int i = 0; i < paletteCount; ++i) {
    std::uint8_t b, g, r;
    if (bpp == 8) {
      r = static_cast<std::uint8_t>(((i >> 5) & 7) * 255 / 7);
      g = static_cast<std::uint8_t>(((i >> 2) & 7) * 255 / 7);
      b = static_cast<std::uint8_t>((i & 3) * 255 / 3);
    } else if (bpp == 4) {
      b = kStandard16[i][0];
      g = kStandard16[i][1];
      r = kStandard16[i][2];
    } else {
      b = g = r = static_cast<std::uint8_t>(i ? 255 : 0);
    }
    s.push_back(static_cast<char>(b));
    s.push_back(static_cast<char>(g));
    s.push_back(static_cast<char>(r));
    s.push_back(0);
  }
  std::vector<std::uint8_t> row(stride);
  for (int y = image.height - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    const std::uint8_t* p = image.Row(y);
    for (int x = 0; x < image.width; ++x, p += 4) {
      switch (bpp) {
        case 32:
          std::memcpy(&row[x * 4], p, 3);
          break;
        case 24:
          std::memcpy(&row[x * 3], p, 3);
          break;
        case 16: {
          const std::uint32_t v = ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3);
          row[x * 2] = static_cast<std::uint8_t>(v & 0xFF);
          row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        }
        case 8:
          row[x] = ReducedIndex(p);
          break;
        case 4:
          row[x / 2] |= static_cast<std::uint8_t>(Nearest16(p) << (x % 2 ? 0 : 4));
          break;
        default: {
          // Luminance with integer weights (0.299, 0.587, 0.114).
          const int y8 = (p[2] * 299 + p[1] * 587 + p[0] * 114) / 1000;
          if (y8 >= 128) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
      }
    }
    s.append(reinterpret_cast<const char*>(row.data()), row.size());
  }
  return s;
}

std::string EncodeBmp(const os::Bitmap& image, int bitsPerPixel) {
  const std::string dib = EncodeDib(image, bitsPerPixel);
  const std::uint32_t bitsAt =
      14 + 40 + U32(reinterpret_cast<const std::uint8_t*>(dib.data()) + 32) * 4;
  std::string s;
  s.reserve(14 + dib.size());
  s += "BM";
  Put32(s, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(s, 0);
  Put32(s, bitsAt);
  s += dib;
  return s;
}

}  // namespace zelk
