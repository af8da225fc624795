// BMP files byte by byte as other programs write and read them, and the JPEG
// writer's pictures decoded again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "builtins/images/bmp_codec.h"
#include "builtins/images/jpeg_writer.h"

#if defined(__has_include)
#if __has_include(<stb/stb_image.h>)
#define ZELK_TEST_JPEG_DECODER 1
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop
#endif
#endif

namespace zelk {
namespace {

std::string Le16(unsigned v) {
  return std::string{static_cast<char>(v & 255), static_cast<char>(v >> 8 & 255)};
}
std::string Le32(unsigned v) {
  return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// A BITMAPINFOHEADER, as the format documents it.
std::string InfoHeader(int width, int height, int bpp, unsigned compression, unsigned colours) {
  return Le32(40) + Le32(static_cast<unsigned>(width)) + Le32(static_cast<unsigned>(height)) +
         Le16(1) + Le16(static_cast<unsigned>(bpp)) + Le32(compression) + Le32(0) + Le32(0) +
         Le32(0) + Le32(colours) + Le32(0);
}

std::string FileHeader(std::size_t total, std::size_t bitsAt) {
  return "BM" + Le32(static_cast<unsigned>(total)) + Le32(0) + Le32(static_cast<unsigned>(bitsAt));
}

// Pixel (x, y) as 0x00RRGGBB.
unsigned Rgb(const os::Bitmap& b, int x, int y) {
  const std::uint8_t* p = b.Row(y) + x * 4;
  return static_cast<unsigned>(p[2] << 16 | p[1] << 8 | p[0]);
}

os::Bitmap Picture3x2() {
  os::Bitmap b;
  b.width = 3;
  b.height = 2;
  b.bgrx = {0x01, 0x02, 0x03, 0, 0x04, 0x05, 0x06, 0, 0x07, 0x08, 0x09, 0,
            0xFF, 0x00, 0x00, 0, 0x00, 0xFF, 0x00, 0, 0x00, 0x00, 0xFF, 0};
  return b;
}

// 3 x 2 at 24 bits: rows of 9 bytes padded to 12, bottom row first.
const std::string kRows24 = std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00", 12) +
                            std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x00\x00\x00", 12);

TEST(BmpCodecTest, A24BitFileIsWrittenAsOtherProgramsExpect) {
  const std::string expected = FileHeader(54 + 24, 54) + InfoHeader(3, 2, 24, 0, 0) + kRows24;
  std::string written = EncodeBmp(Picture3x2(), 24);
  ASSERT_EQ(written.size(), expected.size());
  // The image size and resolution fields are free; the rest must be exact.
  EXPECT_EQ(written.substr(0, 34), expected.substr(0, 34));
  EXPECT_EQ(written.substr(46), expected.substr(46));
}

TEST(BmpCodecTest, ReadsBothRowOrdersAndTheBareClipboardForm) {
  os::Bitmap b;
  ASSERT_TRUE(DecodeBmp(FileHeader(78, 54) + InfoHeader(3, 2, 24, 0, 0) + kRows24, &b));
  EXPECT_EQ(b.width, 3);
  EXPECT_EQ(b.height, 2);
  EXPECT_EQ(Rgb(b, 0, 0), 0x030201u);
  EXPECT_EQ(Rgb(b, 2, 1), 0xFF0000u);
  const std::string topDown = kRows24.substr(12) + kRows24.substr(0, 12);
  ASSERT_TRUE(DecodeBmp(InfoHeader(3, -2, 24, 0, 0) + topDown, &b));
  EXPECT_EQ(Rgb(b, 0, 1), 0x0000FFu);
  EXPECT_EQ(Rgb(b, 1, 0), 0x060504u);
}

TEST(BmpCodecTest, ReadsPalettesAndBitFields) {
  os::Bitmap b;
  // 1 bit, two colours, 10 pixels wide: the row pads to 4 bytes.
  const std::string palette1 = Le32(0x000000) + Le32(0x00FF8000);
  const std::string rows1 = std::string("\x80\x40\x00\x00", 4);
  ASSERT_TRUE(DecodeBmp(InfoHeader(10, 1, 1, 0, 2) + palette1 + rows1, &b));
  EXPECT_EQ(Rgb(b, 0, 0), 0xFF8000u);
  EXPECT_EQ(Rgb(b, 1, 0), 0x000000u);
  EXPECT_EQ(Rgb(b, 9, 0), 0xFF8000u);
  // 4 bits, high nibble first.
  const std::string palette4 = Le32(0x111111) + Le32(0x222222) + Le32(0x333333);
  ASSERT_TRUE(
      DecodeBmp(InfoHeader(3, 1, 4, 0, 3) + palette4 + std::string("\x21\x00\x00\x00", 4), &b));
  EXPECT_EQ(Rgb(b, 0, 0), 0x333333u);
  EXPECT_EQ(Rgb(b, 1, 0), 0x222222u);
  EXPECT_EQ(Rgb(b, 2, 0), 0x111111u);
  // 16 bits 5-6-5 through masks after the 40-byte header, as the clipboard has it.
  const std::string masks = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
  ASSERT_TRUE(DecodeBmp(InfoHeader(2, 1, 16, 3, 0) + masks + Le16(0xF800) + Le16(0x07E0), &b));
  EXPECT_EQ(Rgb(b, 0, 0), 0xFF0000u);
  EXPECT_EQ(Rgb(b, 1, 0), 0x00FF00u);
}

TEST(BmpCodecTest, RefusesWhatIsNoReadableBitmap) {
  os::Bitmap b;
  const std::string good = FileHeader(78, 54) + InfoHeader(3, 2, 24, 0, 0) + kRows24;
  EXPECT_FALSE(DecodeBmp(good.substr(0, good.size() - 1), &b));  // truncated bits
  EXPECT_FALSE(DecodeBmp(good.substr(0, 30), &b));               // truncated header
  EXPECT_FALSE(DecodeBmp("", &b));
  EXPECT_FALSE(DecodeBmp("GIF89a....................................................", &b));
  EXPECT_FALSE(DecodeBmp(FileHeader(78, 54) + InfoHeader(3, 2, 8, 1, 0) + kRows24, &b));  // RLE
  EXPECT_FALSE(DecodeBmp(FileHeader(78, 54) + InfoHeader(0, 2, 24, 0, 0) + kRows24, &b));
  EXPECT_FALSE(DecodeBmp(FileHeader(78, 54) + InfoHeader(100000, 100000, 24, 0, 0) + kRows24, &b));
  EXPECT_FALSE(DecodeBmp(FileHeader(78, 54) + InfoHeader(3, 2, 7, 0, 0) + kRows24, &b));
  // A palette index past the palette.
  EXPECT_FALSE(DecodeBmp(InfoHeader(1, 1, 8, 0, 1) + Le32(0) + std::string("\x05\0\0\0", 4), &b));
  EXPECT_EQ(b.width, 0);  // left untouched
}

TEST(BmpCodecTest, EveryDepthReadsBackAsItsColoursAllow) {
  os::Bitmap picture = Picture3x2();
  os::Bitmap back;
  for (int depth : {32, 24}) {
    ASSERT_TRUE(DecodeBmp(EncodeBmp(picture, depth), &back)) << depth;
    EXPECT_EQ(back.bgrx, picture.bgrx) << depth;
  }
  ASSERT_TRUE(DecodeBmp(EncodeBmp(picture, 16), &back));
  EXPECT_EQ(Rgb(back, 2, 1), 0xFF0000u);  // 5 bits stretched back to 8
  EXPECT_EQ(Rgb(back, 0, 0), 0x000000u);
  ASSERT_TRUE(DecodeBmp(EncodeBmp(picture, 8), &back));
  EXPECT_EQ(Rgb(back, 1, 1), 0x00FF00u);
  EXPECT_EQ(Rgb(back, 2, 1), 0xFF0000u);
  ASSERT_TRUE(DecodeBmp(EncodeBmp(picture, 4), &back));
  EXPECT_EQ(Rgb(back, 0, 1), 0x0000FFu);
  ASSERT_TRUE(DecodeBmp(EncodeBmp(picture, 1), &back));
  EXPECT_EQ(Rgb(back, 0, 0), 0x000000u);
  EXPECT_EQ(Rgb(back, 1, 1), 0xFFFFFFu);  // green is bright
  // Anything else is 24 bits.
  EXPECT_EQ(EncodeBmp(picture, 7), EncodeBmp(picture, 24));
  EXPECT_EQ(EncodeDib(picture, 24), EncodeBmp(picture, 24).substr(14));
}

#ifdef ZELK_TEST_JPEG_DECODER
os::Bitmap Gradient() {
  os::Bitmap b;
  b.width = 64;
  b.height = 48;
  b.bgrx.resize(64 * 48 * 4);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = b.Row(y) + x * 4;
      p[0] = 128;
      p[1] = static_cast<std::uint8_t>(5 * y);
      p[2] = static_cast<std::uint8_t>(4 * x);
    }
  return b;
}

TEST(JpegWriterTest, DecodesCloseToThePictureAndQualityCounts) {
  const os::Bitmap picture = Gradient();
  const std::string good = EncodeJpeg(picture, 90);
  const std::string poor = EncodeJpeg(picture, 10);
  ASSERT_FALSE(good.empty());
  EXPECT_LT(poor.size(), good.size());
  int w = 0, h = 0, n = 0;
  unsigned char* rgb = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(good.data()),
                                             static_cast<int>(good.size()), &w, &h, &n, 3);
  ASSERT_NE(rgb, nullptr);
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 48);
  long total = 0;
  for (int i = 0; i < w * h; ++i)
    for (int c = 0; c < 3; ++c) total += std::abs(rgb[i * 3 + c] - picture.bgrx[i * 4 + 2 - c]);
  stbi_image_free(rgb);
  EXPECT_LT(static_cast<double>(total) / (w * h * 3), 3.0);
}
#endif

}  // namespace
}  // namespace zelk
