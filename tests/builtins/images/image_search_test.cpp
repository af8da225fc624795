// The template search against a plain reference that walks the positions in
// the same order and compares pixel by pixel, and the rules a script sees:
// hits on a row never overlap, transparency, tolerance, the hit limit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "builtins/images/image_search.h"

namespace zelk {
namespace {

using Hits = std::vector<ImageHit>;

os::Bitmap Filled(int width, int height, std::uint32_t bgr) {
  os::Bitmap b;
  b.width = width;
  b.height = height;
  b.bgrx.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < b.bgrx.size(); i += 4) {
    b.bgrx[i] = static_cast<std::uint8_t>(bgr >> 16);
    b.bgrx[i + 1] = static_cast<std::uint8_t>(bgr >> 8);
    b.bgrx[i + 2] = static_cast<std::uint8_t>(bgr);
  }
  return b;
}

// Colour as 0x00BBGGRR, the scripts' layout.
void Put(os::Bitmap& b, int x, int y, std::uint32_t bgr) {
  std::uint8_t* p = b.Row(y) + x * 4;
  p[0] = static_cast<std::uint8_t>(bgr >> 16);
  p[1] = static_cast<std::uint8_t>(bgr >> 8);
  p[2] = static_cast<std::uint8_t>(bgr);
}

void Paste(os::Bitmap& area, const os::Bitmap& part, int left, int top) {
  for (int y = 0; y < part.height; ++y)
    for (int x = 0; x < part.width; ++x)
      for (int c = 0; c < 3; ++c) area.Row(top + y)[(left + x) * 4 + c] = part.Row(y)[x * 4 + c];
}

os::Bitmap Random(int width, int height, std::mt19937& rng, int colours) {
  os::Bitmap b = Filled(width, height, 0);
  std::uniform_int_distribution<int> pick(0, colours - 1);
  for (std::size_t i = 0; i < b.bgrx.size(); i += 4)
    for (int c = 0; c < 3; ++c) b.bgrx[i + c] = static_cast<std::uint8_t>(pick(rng) * 40);
  return b;
}

Hits Search(const os::Bitmap& area, const os::Bitmap& pattern, ImageSearchRequest search,
            ImageSearchOutcome* outcome = nullptr) {
  Hits hits;
  const ImageSearchOutcome o = SearchImage(area, pattern, search, &hits, nullptr);
  if (outcome) *outcome = o;
  return hits;
}

// The search as plainly as it can be written.
Hits Reference(const os::Bitmap& area, const os::Bitmap& t, const ImageSearchRequest& search) {
  Hits hits;
  if (t.width > area.width || t.height > area.height) return hits;
  const std::uint8_t* key = nullptr;
  if (search.transparentCorner >= 1 && search.transparentCorner <= 4) {
    const int cx = search.transparentCorner % 2 == 0 ? t.width - 1 : 0;
    const int cy = search.transparentCorner >= 3 ? t.height - 1 : 0;
    key = t.Row(cy) + cx * 4;
  }
  const int m[3] = {static_cast<int>(search.tolerance >> 16 & 255),
                    static_cast<int>(search.tolerance >> 8 & 255),
                    static_cast<int>(search.tolerance & 255)};
  for (int y = 0; y + t.height <= area.height; ++y) {
    for (int x = 0; x + t.width <= area.width; ++x) {
      bool same = true;
      for (int j = 0; j < t.height && same; ++j) {
        for (int i = 0; i < t.width && same; ++i) {
          const std::uint8_t* tp = t.Row(j) + i * 4;
          if (key && tp[0] == key[0] && tp[1] == key[1] && tp[2] == key[2]) continue;
          const std::uint8_t* sp = area.Row(y + j) + (x + i) * 4;
          for (int c = 0; c < 3; ++c) {
            if (sp[c] < tp[c] - m[c] || sp[c] > tp[c] + m[c]) same = false;
          }
        }
      }
      if (!same) continue;
      hits.push_back(ImageHit{x, y});
      if (search.wanted > 0 && static_cast<int>(hits.size()) == search.wanted) return hits;
      x += t.width - 1;
    }
  }
  return hits;
}

std::string Text(const Hits& hits) {
  std::string s;
  for (const ImageHit& h : hits) s += "(" + std::to_string(h.x) + "," + std::to_string(h.y) + ")";
  return s;
}

TEST(ImageSearchTest, MatchesThePlainReferenceOnRandomPictures) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 400; ++round) {
    const int colours = 2 + round % 3;
    os::Bitmap area = Random(20 + round % 13, 15 + round % 7, rng, colours);
    const int tw = 1 + static_cast<int>(rng() % 4), th = 1 + static_cast<int>(rng() % 4);
    os::Bitmap pattern = Random(tw, th, rng, colours);
    // Most rounds plant the template somewhere, a few times.
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
      Paste(area, pattern, static_cast<int>(rng() % (area.width - tw + 1)),
            static_cast<int>(rng() % (area.height - th + 1)));
    }
    ImageSearchRequest search;
    search.wanted = round % 5 == 0 ? 2 : -1;
    search.transparentCorner = round % 7 < 5 ? round % 7 : 0;
    search.tolerance = round % 4 == 0 ? 0x141414u : (round % 4 == 1 ? 0x280000u : 0);
    const Hits expected = Reference(area, pattern, search);
    EXPECT_EQ(Text(Search(area, pattern, search)), Text(expected)) << "round " << round;
  }
}

TEST(ImageSearchTest, ThreeCopiesSideBySideGiveThreeAscendingHits) {
  os::Bitmap area = Filled(100, 20, 0x808080);
  os::Bitmap tile = Filled(5, 4, 0x102030);
  Put(tile, 2, 1, 0xFFFFFF);
  for (int x : {10, 30, 50}) Paste(area, tile, x, 7);
  ImageSearchRequest all;
  all.wanted = -1;
  EXPECT_EQ(Text(Search(area, tile, all)), "(10,7)(30,7)(50,7)");
  ImageSearchRequest two;
  two.wanted = 2;
  EXPECT_EQ(Text(Search(area, tile, two)), "(10,7)(30,7)");
}

TEST(ImageSearchTest, HitsOnOneRowDoNotOverlapButRowsMay) {
  const os::Bitmap area = Filled(5, 3, 0x010203);
  ImageSearchRequest all;
  all.wanted = -1;
  EXPECT_EQ(Text(Search(area, Filled(2, 1, 0x010203), all)), "(0,0)(2,0)(0,1)(2,1)(0,2)(2,2)");
  EXPECT_EQ(Text(Search(area, Filled(4, 2, 0x010203), all)), "(0,0)(0,1)");
}

TEST(ImageSearchTest, TransparentCornerColourMatchesAnything) {
  os::Bitmap area = Filled(30, 10, 0x808080);
  os::Bitmap tile = Filled(3, 3, 0x00FF00);
  Paste(area, tile, 4, 4);
  for (int corner = 1; corner <= 4; ++corner) {
    os::Bitmap keyed = tile;
    const int cx = corner % 2 == 0 ? 2 : 0, cy = corner >= 3 ? 2 : 0;
    Put(keyed, cx, cy, 0xFF00FF);
    Put(keyed, 1, 1, 0xFF00FF);  // another key pixel inside
    ImageSearchRequest search;
    search.transparentCorner = corner;
    EXPECT_EQ(Text(Search(area, keyed, search)), "(4,4)") << "corner " << corner;
    search.transparentCorner = 0;
    EXPECT_EQ(Text(Search(area, keyed, search)), "") << "without transparency, corner " << corner;
  }
}

TEST(ImageSearchTest, ToleranceIsPerChannelAndInclusive) {
  os::Bitmap area = Filled(10, 10, 0x000000);
  Put(area, 5, 5, 0x0B1520);                      // blue 0x0B, green 0x15, red 0x20
  const os::Bitmap dot = Filled(1, 1, 0x081218);  // 3 less blue, 3 less green, 8 less red
  ImageSearchRequest search;
  search.tolerance = 0x030308;  // IMG_MSK_BGR2 plus red up to 8
  EXPECT_EQ(Text(Search(area, dot, search)), "(5,5)");
  search.tolerance = 0x030307;  // red one short
  EXPECT_EQ(Text(Search(area, dot, search)), "");
  search.tolerance = 0x020308;  // blue one short
  EXPECT_EQ(Text(Search(area, dot, search)), "");
  // Ranges stop at 0 and 255 instead of wrapping.
  os::Bitmap bright = Filled(2, 1, 0xFFFFFF);
  search.tolerance = 0x030303;
  EXPECT_EQ(Text(Search(bright, Filled(1, 1, 0xFDFDFD), search)), "(0,0)");
}

TEST(ImageSearchTest, MoreThanTheHitLimitIsAnOutcomeNotAnOverrun) {
  const os::Bitmap area = Filled(100, 100, 0x123456);
  const os::Bitmap dot = Filled(1, 1, 0x123456);
  ImageSearchRequest search;
  ImageSearchOutcome outcome;
  search.wanted = -1;
  EXPECT_EQ(Search(area, dot, search, &outcome).size(), 4096u);
  EXPECT_EQ(outcome, ImageSearchOutcome::kTooManyHits);
  search.wanted = 5000;
  EXPECT_EQ(Search(area, dot, search, &outcome).size(), 4096u);
  EXPECT_EQ(outcome, ImageSearchOutcome::kTooManyHits);
  search.wanted = 4096;
  EXPECT_EQ(Search(area, dot, search, &outcome).size(), 4096u);
  EXPECT_EQ(outcome, ImageSearchOutcome::kDone);
}

TEST(ImageSearchTest, TemplateLargerThanTheAreaIsNotFound) {
  ImageSearchRequest search;
  EXPECT_EQ(Text(Search(Filled(4, 4, 0), Filled(5, 1, 0), search)), "");
  EXPECT_EQ(Text(Search(Filled(4, 4, 0), Filled(1, 5, 0), search)), "");
  EXPECT_EQ(Text(Search(Filled(4, 4, 0), Filled(4, 4, 0), search)), "(0,0)");
}

TEST(ImageSearchTest, ReducedColoursIgnoreLowBitsAndOnePixelIsFoundAtOnce) {
  os::Bitmap area = Filled(8, 8, 0x000000);
  Put(area, 3, 2, 0x1F3F9F);  // the 3-3-2 palette colour of 0x002080, other low bits
  ImageSearchRequest search;
  search.reduced = true;
  os::Bitmap pattern = Filled(2, 1, 0x000000);
  Put(pattern, 0, 0, 0x002080);
  EXPECT_EQ(Text(Search(area, pattern, search)), "(3,2)");
  search.reduced = false;
  EXPECT_EQ(Text(Search(area, pattern, search)), "");
  search.reduced = true;
  EXPECT_EQ(Text(Search(area, Filled(1, 1, 0xABCDEF), search)), "(0,0)");
}

TEST(ImageSearchTest, StopEndsALongSearch) {
  std::atomic<int> abort{1};
  StopPoll poll(abort);
  Hits hits;
  ImageSearchRequest search;
  search.wanted = -1;
  // The first poll comes after kStopPollSteps pixels of rows.
  const os::Bitmap big = Filled(2000, 100, 0);
  EXPECT_EQ(SearchImage(big, Filled(1, 1, 1), search, &hits, &poll), ImageSearchOutcome::kStopped);
}

// Not a pass/fail check: the time of the worst case scripts meet, a 32 x 32
// template that is not on a busy 1280 x 1024 screen.
TEST(ImageSearchTest, SpeedOfAnAbsentTemplateOnABusyScreen) {
  os::Bitmap screen = Filled(1280, 1024, 0);
  for (int y = 0; y < 1024; ++y)
    for (int x = 0; x < 1280; ++x) {
      const std::uint32_t v =
          static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 40503u;
      Put(screen, x, y, v & 0xFFFFFF);
    }
  os::Bitmap absent = Filled(32, 32, 0);
  std::mt19937 rng(7);
  for (std::size_t i = 0; i < absent.bgrx.size(); i += 4)
    for (int c = 0; c < 3; ++c) absent.bgrx[i + c] = static_cast<std::uint8_t>(rng());
  // The same template on a plain screen whose colour is its first pixel's.
  os::Bitmap plain = Filled(1280, 1024, 0);
  for (std::size_t i = 0; i < plain.bgrx.size(); i += 4)
    std::memcpy(&plain.bgrx[i], absent.bgrx.data(), 3);
  ImageSearchRequest search;
  search.wanted = -1;
  for (const auto& [name, area] : {std::pair{"busy", &screen}, std::pair{"plain", &plain}}) {
    for (std::uint32_t tolerance : {0u, 0x030303u}) {
      search.tolerance = tolerance;
      const auto start = std::chrono::steady_clock::now();
      Hits hits;
      SearchImage(*area, absent, search, &hits, nullptr);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      std::printf(
          "[ time     ] CHKIMG search, 32x32 absent, 1280x1024 %s screen, tolerance %06X: %.1f "
          "ms\n",
          name, tolerance, ms);
      EXPECT_TRUE(hits.empty());
    }
  }
}

}  // namespace
}  // namespace zelk
