#include "foundation/case_mapping.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text_scan.h"
#include "platform/platform.h"

namespace zelk {
namespace {

using namespace std::string_literals;

TEST(CaseMapping, ReplaceAllIgnoringCase) {
  EXPECT_EQ(ReplaceAll(u"aXbXc", u"X", u"yy"), u"ayybyyc");
  EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(ReplaceAll(u"ab", u"a", u"aa"), u"aab");
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(ReplaceAll(u"Hello HELLO", u"hello", u"x"), u"Hello HELLO");
  EXPECT_EQ(ReplaceAllIgnoringCase(u"Hello HELLO", u"hello", u"x"), u"x x");
  EXPECT_EQ(ReplaceAllIgnoringCase(u"\u00C4pfel \u00E4pfel", u"\u00E4pfel", u"x"), u"x x");
  // Without an ASCII letter in the pattern the match stays exact...
  EXPECT_EQ(ReplaceAllIgnoringCase(u"\u00C4 \u00E4", u"\u00E4", u"x"), u"\u00C4 x");
  // ...unless the text holds a NUL, which is an ordinary character.
  EXPECT_EQ(ReplaceAllIgnoringCase(u"\u00C4\0\u00E4"s, u"\u00E4", u"x"), u"x\0x"s);
  EXPECT_EQ(ReplaceAll(u"a\0b\0"s, u"\0"s, u"-"), u"a-b-");
}

constexpr unsigned kLower = 0x100, kUpper = 0x200, kHiragana = 0x100000, kKatakana = 0x200000,
                   kHalf = 0x400000, kFull = 0x800000;

TEST(CaseMapping, Case) {
  EXPECT_EQ(MapString(u"abc\u00E4\u00FF\u0101", kUpper), u"ABC\u00C4\u0178\u0100");
  EXPECT_EQ(MapString(u"\u0391\u03A3 \u0416\u0401 \uFF21", kLower),
            u"\u03B1\u03C3 \u0436\u0451 \uFF41");
  EXPECT_EQ(MapString(u"\u00DF\u00F7", kUpper), u"\u00DF\u00F7");
}

TEST(CaseMapping, WidthAndKana) {
  // The backslash stands for the yen sign in Japanese fonts and keeps its width.
  EXPECT_EQ(MapString(u"A1 ~\\\u00A5", kFull), u"\uFF21\uFF11\u3000\uFF5E\\\uFFE5");
  EXPECT_EQ(MapString(u"\uFF21\uFF11\u3000\uFF5E\uFF3C\uFFE5", kHalf), u"A1 ~\uFF3C\u00A5");
  // Half-width sound marks join their kana and split off again.
  std::u16string half = u"\uFF76\uFF9E\uFF8A\uFF9F\uFF73\uFF9E\uFF9C\uFF9E\uFF71\uFF9E\uFF70";
  std::u16string full = u"\u30AC\u30D1\u30F4\u30F7\u30A2\u3099\u30FC";
  EXPECT_EQ(MapString(half, kFull), full);
  EXPECT_EQ(MapString(full, kHalf), half);
  EXPECT_EQ(MapString(u"\u30F8\u30FE", kHalf), u"\u30F0\uFF9E\u30FD\uFF9E");
  EXPECT_EQ(MapString(u"\u30AB\u30BF\u30AB\u30CA", kHiragana), u"\u304B\u305F\u304B\u306A");
  EXPECT_EQ(MapString(u"\u304C\u3063\u3053\u3046", kKatakana | kHalf),
            u"\uFF76\uFF9E\uFF6F\uFF7A\uFF73");
  EXPECT_EQ(MapString(u"\u304C\uFF41", kHalf | kUpper), u"\u304CA");
}

TEST(CaseMapping, RejectedFlagsLeaveTextUnchanged) {
  bool ok = true;
  os::MapString(u"a", 0x1, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(MapString(u"a", 0x1), u"a");
  EXPECT_EQ(MapString(u"a", kHalf | kFull), u"a");
  EXPECT_EQ(MapString(u"", kUpper), u"");
}

}  // namespace
}  // namespace zelk
