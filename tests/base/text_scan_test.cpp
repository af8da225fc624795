#include "base/text_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/code_points.h"

namespace zelk {
namespace {

using namespace std::string_literals;
using Texts = std::vector<std::u16string>;

// Cuts tokens the way callers consume a line: until the text is empty.
Texts CutAll(std::u16string text, std::u16string_view delimiters, CutOptions options) {
  Texts tokens;
  while (!text.empty()) {
    tokens.push_back(CutToken(text, delimiters, options));
  }
  return tokens;
}

TEST(TextScanCutToken, QuotesProtectDelimiters) {
  EXPECT_EQ(CutAll(u"a,\"b,c\",d", u",", {.quotes = true}), (Texts{u"a", u"\"b,c\"", u"d"}));
  EXPECT_EQ(CutAll(u"a,\"b,c\",d", u",", {}), (Texts{u"a", u"\"b", u"c\"", u"d"}));
  // Brackets inside a literal are not counted.
  EXPECT_EQ(CutAll(u"\"(\",x", u",", {.parens = true, .quotes = true}), (Texts{u"\"(\"", u"x"}));
}

TEST(TextScanCutToken, BracketsProtectDelimiters) {
  EXPECT_EQ(CutAll(u"f(1,2),x", u",", {.parens = true}), (Texts{u"f(1,2)", u"x"}));
  EXPECT_EQ(CutAll(u"a[1,2],b", u",", {.parens = true}), (Texts{u"a[1", u"2]", u"b"}));
  EXPECT_EQ(CutAll(u"a[1,(2,3)],b", u",", {.parens = true, .brackets = true}),
            (Texts{u"a[1,(2,3)]", u"b"}));
  // An unbalanced closing bracket leaves the scan at top level.
  EXPECT_EQ(CutAll(u"a),b", u",", {.parens = true}), (Texts{u"a)", u"b"}));
  // A bracket as delimiter splits only where the updated depth is top level.
  std::u16string text = u"f(x)y";
  EXPECT_EQ(CutToken(text, u")", {.parens = true}), u"f(x");
  EXPECT_EQ(text, u"y");
  text = u"a(b";
  EXPECT_EQ(CutToken(text, u"(", {.parens = true}), u"a(b");
  EXPECT_EQ(text, u"");
}

TEST(TextScanCutToken, EmptyTokens) {
  EXPECT_EQ(CutAll(u",,a", u",", {}), (Texts{u"", u"", u"a"}));
  std::u16string text = u",,a";
  EXPECT_EQ(CutToken(text, u",", {.skipEmpty = true}), u"a");
  EXPECT_EQ(text, u"");
  EXPECT_EQ(CutAll(u", ,a,, b", u", ", {.skipEmpty = true}), (Texts{u"a", u"b"}));
  text = u",,,";
  EXPECT_EQ(CutToken(text, u",", {.skipEmpty = true}), u"");
  EXPECT_EQ(text, u"");
  // The skipped delimiter does not leave its bracket depth behind.
  text = u")(a,b)c";
  EXPECT_EQ(CutToken(text, u"),", {.skipEmpty = true, .parens = true}), u"(a,b");
  EXPECT_EQ(text, u"c");
}

TEST(TextScanCutToken, WholeTextWithoutDelimiter) {
  std::u16string text = u"abc\0def"s;
  EXPECT_EQ(CutToken(text, u",", kCutTopLevel), u"abc\0def"s);
  EXPECT_EQ(text, u"");
  EXPECT_EQ(CutToken(text, u",", kCutTopLevel), u"");
}

TEST(TextScanCutToken, ReportsDelimiter) {
  std::u16string text = u"a;b c";
  char16_t found = u'?';
  EXPECT_EQ(CutTokenAt(text, u"; ", {}, &found), u"a");
  EXPECT_EQ(found, u';');
  EXPECT_EQ(CutTokenAt(text, u"; ", {}, &found), u"b");
  EXPECT_EQ(found, u' ');
  EXPECT_EQ(CutTokenAt(text, u"; ", {}, &found), u"c");
  EXPECT_EQ(found, 0);
  text = u";x;y";
  EXPECT_EQ(CutTokenAt(text, u";", {.skipEmpty = true}, &found), u"x");
  EXPECT_EQ(found, 0);
}

TEST(TextScanPosOutside, SkipsLiteralsAndBrackets) {
  EXPECT_EQ(PosOutside(u"=", u"a[x=y]=1", false, true), 7);
  EXPECT_EQ(PosOutside(u"=", u"a[x=y]=1", false, false), 4);
  EXPECT_EQ(PosOutside(u",", u"f(a,b),c", true, false), 7);
  EXPECT_EQ(PosOutside(u"=", u"f(a=b)", true, false), 0);
  EXPECT_EQ(PosOutside(u"=", u"\"a=b\"", false, false), 0);
  EXPECT_EQ(PosOutside(u"=", u"x=\"=\"", false, false), 2);
  EXPECT_EQ(PosOutside(u"=", u")=", true, false), 2);
  // A bracket as sub counts where its own change leaves the top level.
  EXPECT_EQ(PosOutside(u")", u"f(x)", true, false), 4);
  EXPECT_EQ(PosOutside(u"(", u"f(x)", true, false), 0);
  // A quote is found where it closes a literal.
  EXPECT_EQ(PosOutside(u"\"c", u"\"ab\"c", false, false), 4);
  EXPECT_EQ(PosOutside(u"", u"abc", true, true), 0);
  EXPECT_EQ(PosOutside(u"abcd", u"abc", true, true), 0);
}

TEST(TextScanPosOutside, NthHit) {
  EXPECT_EQ(PosOutside(u"=", u"a=b=c", false, false, 2), 4);
  EXPECT_EQ(PosOutside(u"=", u"a=b=c", false, false, 0), 2);
  EXPECT_EQ(PosOutside(u"=", u"a=b=c", false, false, -3), 2);
  EXPECT_EQ(PosOutside(u"=", u"a=b=c", false, false, 3), 0);
  EXPECT_EQ(PosOutside(u"=", u"x=\"=\",y=1", false, false, 2), 8);
}

TEST(TextScanPosOutside, LastPositions) {
  EXPECT_EQ(LastPos(u"=", u"a=b=\"=\""), 6);
  EXPECT_EQ(LastPosOutside(u"=", u"a=b=\"=\""), 4);
  EXPECT_EQ(LastPosOutside(u"aa", u"aaa"), 2);
  EXPECT_EQ(LastPosOutside(u"=", u"\"=\""), 0);
  EXPECT_EQ(LastPos(u"x", u"abc"), 0);
}

TEST(TextScanReplace, ReplaceOutside) {
  EXPECT_EQ(ReplaceOutside(u"a=\"a\",a", u"a", u"bb"), u"bb=\"a\",bb");
  EXPECT_EQ(ReplaceOutside(u"aa", u"a", u"aa"), u"aaaa");
  EXPECT_EQ(ReplaceOutside(u"f(a)", u"a", u"b"), u"f(b)");
  EXPECT_EQ(ReplaceOutside(u"abc", u"", u"x"), u"abc");
}

TEST(TextScanReplace, ReplaceKeys) {
  EXPECT_EQ(ReplaceKeys(u"ABA", {u"A", u"AB"}, {u"x", u"y"}), u"yx");
  EXPECT_EQ(ReplaceKeys(u"A\"A\"A", {u"A"}, {u"x"}), u"x\"A\"x");
  EXPECT_EQ(ReplaceKeys(u"AB", {u"A", u"B"}, {u"B", u"A"}), u"BA");
  EXPECT_EQ(ReplaceKeys(u"A", {u"A"}, {u"x"}), u"x");
  EXPECT_EQ(ReplaceKeys(u"B", {u"B", u"B"}, {u"1", u"2"}), u"1");
  EXPECT_EQ(ReplaceKeys(u"abc", {u"", u"b"}, {u"x", u"y"}), u"abc");
  EXPECT_EQ(ReplaceKeys(u"abc", {}, {}), u"abc");
  EXPECT_EQ(ReplaceKeys(u"a.b.c", {u".", u"z"}, {u"::", u"?"}), u"a::b::c");
  // Each search starts afresh behind a replaced key, even one holding a quote.
  EXPECT_EQ(ReplaceKeys(u"x\"y\"y", {u"x\"", u"y"}, {u"1", u"2"}), u"12\"y");
}

TEST(TextScanUpperOutside, LiteralsAndMembers) {
  EXPECT_EQ(UpperOutside(u"obj.Name = \"abc\"", true), u"OBJ.Name = \"abc\"");
  EXPECT_EQ(UpperOutside(u"obj.Name = \"abc\"", false), u"OBJ.NAME = \"abc\"");
  EXPECT_EQ(UpperOutside(u"abc.def", false), u"ABC.DEF");
  EXPECT_EQ(UpperOutside(u"o.a.b(x)", true), u"O.a.b(X)");
  EXPECT_EQ(UpperOutside(u"o.a$_@1+b", true), u"O.a$_@1+B");
  EXPECT_EQ(UpperOutside(u"o.ab cd", true), u"O.ab CD");
  EXPECT_EQ(UpperOutside(u"\"x.y\" + z.w", true), u"\"x.y\" + Z.w");
  EXPECT_EQ(UpperOutside(u"\u00E4b", false), u"\u00E4B");
}

TEST(TextScanMisc, SmallHelpers) {
  EXPECT_EQ(Unquote(u"\"ab\""), u"ab");
  EXPECT_EQ(Unquote(u"\"\""), u"");
  EXPECT_EQ(Unquote(u"\""), u"\"");
  EXPECT_EQ(Unquote(u"\"ab"), u"\"ab");
  EXPECT_EQ(IndexOfText({u"a", u"b", u"b"}, u"b"), 1);
  EXPECT_EQ(IndexOfText({u"a", u""}, u""), -1);
  EXPECT_EQ(IndexOfText({u"a"}, u"A"), -1);
  EXPECT_EQ(Trim(u" \t a b\r\n"), u"a b");
  EXPECT_EQ(Trim(u"\u3000x"), u"\u3000x");
}

TEST(CodePoints, PairsStayWhole) {
  const std::u16string text = u"a\U0001F600b";
  EXPECT_EQ(CodePointCount(u"\U0001F600"), 1);
  EXPECT_EQ(CodePointCount(text), 3);
  EXPECT_EQ(CopyCodePoints(text, 2, 1), u"\U0001F600");
  EXPECT_EQ(CopyCodePoints(text, 1, 2), u"a\U0001F600");
  EXPECT_EQ(CopyCodePoints(text, 3, 5), u"b");
  EXPECT_EQ(CopyCodePoints(text, 4, 1), u"");
  EXPECT_EQ(CopyCodePoints(text, 0, 1), u"");
  EXPECT_EQ(CopyCodePoints(text, 1, 0), u"");
}

TEST(CodePoints, Ucs4Conversion) {
  EXPECT_EQ(TextToUcs4(u"a\U0001F600"), (std::vector<char32_t>{U'a', 0x1F600}));
  EXPECT_EQ(TextToUcs4(u"a\xD800"
                       u"b\xDC00"),
            (std::vector<char32_t>{U'a', U'b'}));
  EXPECT_EQ(Ucs4ToText({U'a', 0x1F600, 0x110000}), u"a\U0001F600");
  EXPECT_EQ(FirstCodePoint(u"\U0001F600x"), 0x1F600u);
  EXPECT_EQ(FirstCodePoint(u""), 0u);
  EXPECT_EQ(FirstCodePoint(u"\xD800x"), 0xD800u);
}

}  // namespace
}  // namespace zelk
