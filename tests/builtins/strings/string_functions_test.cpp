#include <gtest/gtest.h>

#include "builtins/strings/string_functions.h"

namespace zelk {
namespace {

constexpr MatchRule kIgnoreCase{};

TEST(StringSearch, FindsNthOverlappingAndFromTheEnd) {
  EXPECT_EQ(FindNth(u"ANA", u"BANANA", 2), 4u);
  EXPECT_EQ(FindNth(u"A", u"BANANA", -1), 6u);
  EXPECT_EQ(FindNth(u"AN", u"BANANA", -1), 4u);
  EXPECT_EQ(FindNth(u"A", u"BANANA", 0), 2u);
  EXPECT_EQ(FindNth(u"A", u"BANANA", 4), 0u);
  EXPECT_EQ(FindNth(u"", u"BANANA", 1), 0u);
  EXPECT_EQ(FindNth(u"LONGER", u"SHORT", 1), 0u);
}

TEST(StringSearch, BetweenKeepsCaseAndSearchesBothWays) {
  std::u16string out;
  ASSERT_TRUE(BetweenText(u"a[1]b[2]", u"[", u"]", 2, false, kIgnoreCase, &out));
  EXPECT_EQ(out, u"2");
  ASSERT_TRUE(BetweenText(u"a[1]b[2]c", u"[", u"]", -1, false, kIgnoreCase, &out));
  EXPECT_EQ(out, u"2");
  ASSERT_TRUE(BetweenText(u"a[1]b[2]c", u"[", u"]", -2, false, kIgnoreCase, &out));
  EXPECT_EQ(out, u"1");
  ASSERT_TRUE(BetweenText(u"xKeyAbcEnd", u"key", u"END", 1, false, kIgnoreCase, &out));
  EXPECT_EQ(out, u"Abc");
  ASSERT_TRUE(BetweenText(u"abc=1", u"", u"=", 1, false, kIgnoreCase, &out));
  EXPECT_EQ(out, u"abc");
  ASSERT_TRUE(BetweenText(u"abc=1", u"=", u"", 1, false, kIgnoreCase, &out));
  EXPECT_EQ(out, u"1");
  // Overlap: the second from is looked for right after the first one.
  ASSERT_TRUE(BetweenText(u"<<a>b>", u"<", u">", 2, true, kIgnoreCase, &out));
  EXPECT_EQ(out, u"a");
  EXPECT_FALSE(BetweenText(u"<<a>b>", u"<", u">", 2, false, kIgnoreCase, &out));
  EXPECT_FALSE(BetweenText(u"abc", u"[", u"]", 1, false, MatchRule{true, false}, &out));
}

TEST(StringSearch, RulesFoldCaseAndYen) {
  EXPECT_EQ(ForMatch(u"a\u00A5b", MatchRule{false, true}), u"A\\B");
  EXPECT_EQ(ForMatch(u"a\u00A5b", MatchRule{true, false}), u"a\u00A5b");
}

TEST(StringFormat, RoundsHalfAwayFromZeroOnEveryPlatform) {
  EXPECT_EQ(FixedDecimals(3.14159, 2), u"3.14");
  EXPECT_EQ(FixedDecimals(2.5, 0), u"3");
  EXPECT_EQ(FixedDecimals(-2.5, 0), u"-3");
  EXPECT_EQ(FixedDecimals(0.125, 2), u"0.13");
  EXPECT_EQ(FixedDecimals(9.996, 2), u"10.00");
  EXPECT_EQ(FixedDecimals(-0.001, 2), u"0.00");
  EXPECT_EQ(FixedDecimals(0.0001234, 3), u"0.000");
  EXPECT_EQ(FixedDecimals(1e20, 1), u"100000000000000000000.0");
}

// Leaves digits on the stack where the next call's buffers will lie.
__attribute__((noinline)) void DirtyTheStack() {
  volatile char junk[4096];
  for (std::size_t i = 0; i < sizeof junk; ++i) junk[i] = static_cast<char>('0' + i % 10);
}

TEST(StringFormat, ReadsOnlyTheDigitsItWrote) {
  // The exponent was once read past the end of the converted digits, so that
  // whatever the stack held there became part of it.
  for (int i = 0; i < 1000; ++i) {
    DirtyTheStack();
    ASSERT_EQ(FixedDecimals(3.14159, 2), u"3.14") << "round " << i;
    DirtyTheStack();
    ASSERT_EQ(FixedDecimals(1234, 0), u"1234") << "round " << i;
  }
}

TEST(StringFormat, WidthCutsOrDropsDecimalsAndPads) {
  EXPECT_EQ(FormatNumber(3.14159, 3, true, 6, true, 2), u"  3.14");
  EXPECT_EQ(FormatNumber(3.14159, 3, true, 3, true, 2), u"3.1");
  EXPECT_EQ(FormatNumber(3.14159, 3, true, 0, true, 2), u"3");
  EXPECT_EQ(FormatNumber(1234.5, 1234, true, 2, true, 1), u"1234");
  EXPECT_EQ(FormatNumber(255, 255, true, 0, true, -1), u"FF");
  EXPECT_EQ(FormatNumber(255, 255, true, 5, true, -1), u"   FF");
  EXPECT_EQ(FormatNumber(-1, -1, false, 0, true, -1), u"FFFFFFFFFFFFFFFF");
  EXPECT_EQ(FormatNumber(0.5, 0, false, 0, false, 0), u"0.5");
  EXPECT_EQ(FormatNumber(-3.14159, -3, true, 6, true, 2), u" -3.14");
}

TEST(StringEncode, UrlAndHtmlRoundTrips) {
  EXPECT_EQ(UrlEncodeBytes("a b&"), "a+b%26");
  EXPECT_EQ(UrlEncodeBytes("!$'()*-.@_~\xE9"), "!$'()*-.@_%7E%E9");
  EXPECT_EQ(UrlDecodeBytes("a+b%26%%%4"), "a b&%%4");
  EXPECT_EQ(HtmlEncode(u"<a href=\"x\">&'"), u"&lt;a href=&quot;x&quot;&gt;&amp;'");
  EXPECT_EQ(HtmlDecode(u"&lt;&amp;amp;&Alpha;&alpha;&nbsp;&#65;&#128512;"),
            u"<&amp;\u0391\u03B1\u00A0A\U0001F600");
  // Unknown, unterminated and out-of-range references stay as written.
  EXPECT_EQ(HtmlDecode(u"&bogus; & &#1114112; &#x41; &amp"), u"&bogus; & &#1114112; &#x41; &amp");
}

TEST(StringTrim, WideBlanksOnlyWhenAsked) {
  EXPECT_EQ(TrimText(u"\u3000 a\tb \r\n", false), u"\u3000 a\tb");
  EXPECT_EQ(TrimText(u"\u3000\uFEFF a\u00A0\u2003", true), u"a");
  EXPECT_EQ(TrimText(u"  ", true), u"");
}

}  // namespace
}  // namespace zelk
