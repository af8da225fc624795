#include "runtime/expr/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/hashed_str_list.h"

namespace zelk {
namespace {

struct Cut {
  std::int32_t kind;
  std::u16string text;
  bool bad;
};

std::vector<Cut> CutAll(std::u16string_view text, const MemberScope& scope = {}) {
  std::vector<Cut> out;
  std::u16string_view rest = text;
  for (int guard = 0; guard < 100; ++guard) {
    Token t = NextToken(&rest, scope);
    if (t.kind == kTokEnd) break;
    out.push_back({t.kind, std::u16string(t.text), t.bad});
    if (t.bad) break;
  }
  return out;
}

std::int32_t KindOf(std::u16string_view text, const MemberScope& scope = {}) {
  std::u16string_view rest = text;
  Token t = NextToken(&rest, scope);
  EXPECT_TRUE(rest.empty()) << "more than one token in the text";
  return t.kind;
}

TEST(TokenizerTest, LiteralsTakeTheQuotesThatFollowTheirEnd) {
  auto cuts = CutAll(u"\"ab\" + \"ab\"\" + \"ab\"\"\"");
  ASSERT_EQ(5u, cuts.size());
  EXPECT_EQ(u"ab", cuts[0].text);
  EXPECT_EQ(u"ab\"", cuts[2].text);
  EXPECT_EQ(u"ab\"\"", cuts[4].text);
  EXPECT_EQ(kTokString, cuts[4].kind);

  // A doubled quote inside is no escape: the literal ends there.
  cuts = CutAll(u"\"a\"\"b\"");
  ASSERT_EQ(2u, cuts.size());
  EXPECT_EQ(u"a\"", cuts[0].text);
  EXPECT_EQ(kTokName, cuts[1].kind);
  EXPECT_EQ(u"b\"", cuts[1].text);

  cuts = CutAll(u"\"open ended");
  ASSERT_EQ(1u, cuts.size());
  EXPECT_TRUE(cuts[0].bad);
  EXPECT_EQ(u"open ended", cuts[0].text);

  cuts = CutAll(u"\"\"");
  ASSERT_EQ(1u, cuts.size());
  EXPECT_EQ(u"", cuts[0].text);
  EXPECT_FALSE(cuts[0].bad);
}

TEST(TokenizerTest, NumbersStopWhereTheyStopBeingNumbers) {
  std::u16string_view rest = u"$FF*1E+3-12.5E-1/2";
  Token t = NextToken(&rest, {});
  EXPECT_EQ(255, t.number);
  EXPECT_EQ(kTokTimes, NextToken(&rest, {}).kind);
  t = NextToken(&rest, {});
  EXPECT_EQ(u"1E+3", t.text);
  EXPECT_EQ(1000, t.number);
  EXPECT_EQ(kTokMinus, NextToken(&rest, {}).kind);
  t = NextToken(&rest, {});
  EXPECT_EQ(u"12.5E-1", t.text);
  EXPECT_DOUBLE_EQ(1.25, t.number);
  EXPECT_EQ(kTokDivide, NextToken(&rest, {}).kind);
  EXPECT_EQ(2, NextToken(&rest, {}).number);

  // 3-2 is a subtraction, not a number with a sign.
  auto cuts = CutAll(u"3-2");
  ASSERT_EQ(3u, cuts.size());
  EXPECT_EQ(kTokMinus, cuts[1].kind);

  for (std::u16string_view bad : {u"1E5", u"1.5.2", u"$", u"12AB", u"$G"}) {
    cuts = CutAll(bad);
    ASSERT_FALSE(cuts.empty());
    EXPECT_TRUE(cuts[0].bad) << std::string(bad.begin(), bad.end());
  }
  cuts = CutAll(u"1.");
  ASSERT_EQ(1u, cuts.size());
  EXPECT_FALSE(cuts[0].bad);
}

TEST(TokenizerTest, OperatorsKeywordsAndStrayCharacters) {
  auto cuts = CutAll(u"A>=B<=C<>D=<E>F<G!H,I");
  std::vector<std::int32_t> kinds;
  for (const Cut& c : cuts) kinds.push_back(c.kind);
  EXPECT_EQ(
      (std::vector<std::int32_t>{5, 23, 5, 24, 5, 25, 5, 22, 21, 5, 20, 5, 21, 5, 14, 5, 0, 5}),
      kinds);

  cuts = CutAll(u"A AND B OR C XOR D MOD(2)");
  ASSERT_EQ(11u, cuts.size());
  EXPECT_EQ(kTokAnd, cuts[1].kind);
  EXPECT_EQ(kTokOr, cuts[3].kind);
  EXPECT_EQ(kTokXor, cuts[5].kind);
  EXPECT_EQ(kTokMod, cuts[7].kind);
  EXPECT_EQ(kTokParen, cuts[8].kind);

  EXPECT_EQ(kTokName, KindOf(u"ANDY"));
  EXPECT_EQ(kTokName, KindOf(u"  ORDER  "));
}

TEST(TokenizerTest, CallsRunToTheirClosingParenthesis) {
  auto cuts = CutAll(u"F(1, (2 + 3), \"a)\")+OBJ.M(A[1])");
  ASSERT_EQ(3u, cuts.size());
  EXPECT_EQ(kTokCall, cuts[0].kind);
  EXPECT_EQ(u"F(1, (2 + 3), \"a)\")", cuts[0].text);
  EXPECT_EQ(u"OBJ.M(A[1])", cuts[2].text);

  cuts = CutAll(u"F(1, 2");
  ASSERT_EQ(1u, cuts.size());
  EXPECT_TRUE(cuts[0].bad);

  // A call result followed by an index: two tokens.
  cuts = CutAll(u"SPLIT(S)[0]");
  ASSERT_EQ(2u, cuts.size());
  EXPECT_EQ(kTokName, cuts[1].kind);
  EXPECT_EQ(u"[0]", cuts[1].text);
}

TEST(TokenizerTest, NamesKeepTheirBracketsAndDottedNamesAreSortedOut) {
  auto cuts = CutAll(u"A[I + 1, \"x y\"] * 2");
  ASSERT_EQ(3u, cuts.size());
  EXPECT_EQ(u"A[I + 1, \"x y\"]", cuts[0].text);

  TUHashedStrList modules;
  modules.Add(u"MODA");
  MemberScope outside{&modules, u"", u""};
  EXPECT_EQ(kTokName, KindOf(u"MODA.X", outside));
  EXPECT_EQ(kTokMember, KindOf(u"OBJ.PROP", outside));
  EXPECT_EQ(kTokMember, KindOf(u"MODA.X.Y", outside));
  EXPECT_EQ(kTokName, KindOf(u"A[B.C]", outside));
  EXPECT_EQ(kTokMember, KindOf(u"OBJ.ITEM[1].NAME", outside));
  EXPECT_EQ(kTokMember, KindOf(u"THIS.X", outside));
  EXPECT_EQ(kTokMember, KindOf(u".X", outside));

  MemberScope inside{&modules, u"MODA", u""};
  EXPECT_EQ(kTokName, KindOf(u"THIS.X", inside));
  EXPECT_EQ(kTokName, KindOf(u"GLOBAL.X", inside));

  MemberScope withModule{&modules, u"", u"MODA"};
  EXPECT_EQ(kTokName, KindOf(u".X", withModule));
  MemberScope withOther{&modules, u"", u"OTHER"};
  EXPECT_EQ(kTokMember, KindOf(u".X", withOther));
}

TEST(TokenizerTest, BlanksAroundTokensAreDropped) {
  std::u16string_view rest = u"  \t X   +  1  ";
  Token t = NextToken(&rest, {});
  EXPECT_EQ(u"X", t.text);
  EXPECT_EQ(u"+  1", rest);
  NextToken(&rest, {});
  NextToken(&rest, {});
  EXPECT_TRUE(rest.empty());
  EXPECT_EQ(kTokEnd, NextToken(&rest, {}).kind);
}

}  // namespace
}  // namespace zelk
