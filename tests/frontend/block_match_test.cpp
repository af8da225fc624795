#include "frontend/block_match.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "foundation/messages.h"

namespace zelk {
namespace {

using namespace std::string_literals;

StatementTable Rows(std::initializer_list<const char16_t*> rows) {
  StatementTable table;
  for (const char16_t* row : rows) table.StmtTexts.emplace_back(row);
  table.BlockMatched.assign(table.StmtTexts.size(), 0);
  return table;
}

std::vector<int> MarkedRows(const StatementTable& table) {
  std::vector<int> marked;
  for (std::size_t i = 0; i < table.BlockMatched.size(); ++i) {
    if (table.BlockMatched[i]) marked.push_back(static_cast<int>(i));
  }
  return marked;
}

std::u16string Err(const std::u16string& message) {
  return u"__ZELK_ERROR_ARI__"s + message;
}

// Restores English messages whatever a test switched to.
class BlockMatchJapanese : public ::testing::Test {
 protected:
  void SetUp() override { SetJapaneseMessages(true); }
  void TearDown() override { SetJapaneseMessages(false); }
};

TEST(BlockMatchIfb, ElseifChainNamesNextElseifAndSharedElseEndif) {
  StatementTable t = Rows({u"X = 0", u"IFB X = 1 THEN", u"A = 1", u"ELSEIF X = 2", u"A = 2",
                           u"ELSEIF (X = 3)THEN", u"ELSE", u"A = 4", u"ENDIF", u"FEND"});
  EXPECT_EQ(MatchIfb(t, 1), u"X = 1`2`5`7");
  EXPECT_EQ(MatchIfb(t, 3), u"X = 2`2`3`5");
  // The last ELSEIF has none after it: -1 minus its own row.
  EXPECT_EQ(MatchIfb(t, 5), u"(X = 3)`-6`1`3");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{3, 5, 6, 8}));
}

TEST(BlockMatchIfb, NestedBlocksKeepTheirOwnPartners) {
  StatementTable t = Rows({u"IFB A", u"IFB B", u"ELSEIF C", u"ELSE", u"ENDIF", u"FOR I = 1 TO 2",
                           u"IFB D", u"ENDIF", u"NEXT", u"ENDIF", u"FEND"});
  EXPECT_EQ(MatchIfb(t, 0), u"A`-1`-1`9");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{9}));
  EXPECT_EQ(MatchIfb(t, 1), u"B`1`2`3");
}

TEST(BlockMatchIfb, ElseRowFaults) {
  StatementTable twoElse = Rows({u"IFB A", u"ELSE", u"ELSE", u"ENDIF"});
  EXPECT_EQ(MatchIfb(twoElse, 0), Err(u"ELSE Multiplex definition"));
  StatementTable elseText = Rows({u"IFB A", u"ELSE B = 1", u"ENDIF"});
  EXPECT_EQ(MatchIfb(elseText, 0), Err(u"ELSE: SyntaxError"));
  // Nothing is taken by a head that failed.
  EXPECT_TRUE(MarkedRows(twoElse).empty());
}

TEST(BlockMatchIfb, ElseInsideInnerLoopIsNotTaken) {
  StatementTable t = Rows({u"IFB A", u"FOR I = 1 TO 2", u"ELSE", u"NEXT", u"ENDIF"});
  EXPECT_EQ(MatchIfb(t, 0), u"A`-1`-1`4");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{4}));
}

TEST(BlockMatchIfb, ScanStopsAtFendAndTableEnd) {
  StatementTable t = Rows({u"IFB A", u"B = 1", u"FEND", u"FUNCTION F()", u"ENDIF", u"FEND"});
  EXPECT_EQ(MatchIfb(t, 0), Err(u"It doesn't have ENDIF toward IFB"));
  StatementTable last = Rows({u"X = 1", u"IFB A"});
  EXPECT_EQ(MatchIfb(last, 1), Err(u"It doesn't have ENDIF toward IFB"));
}

TEST(BlockMatchOverlap, NamesFirstCrossedTypeInFixedOrder) {
  StatementTable ifFor = Rows({u"IFB A", u"FOR I = 1 TO 3", u"ENDIF", u"NEXT"});
  EXPECT_EQ(MatchIfb(ifFor, 0), Err(u"IFB(IF)-ENDIF steps over the loop or block: FOR I = 1 TO 3"));
  EXPECT_TRUE(MarkedRows(ifFor).empty());
  // Both FOR and SELECT are crossed: SELECT comes first; the later opener is named.
  StatementTable both = Rows(
      {u"WHILE A", u"FOR I = 1 TO 3", u"SELECT X", u"SELECT Y", u"SELEND", u"SELECT Z", u"WEND"});
  EXPECT_EQ(MatchWhile(both, 0), Err(u"WHILE-WEND steps over the loop or block: SELECT Z"));
  // A closer that leaves its counter below zero is named too.
  StatementTable closer = Rows({u"REPEAT", u"WEND", u"UNTIL X > 1"});
  EXPECT_EQ(MatchRepeat(closer, 0), Err(u"REPEAT-UNTIL steps over the loop or block: WEND"));
  // A crossing that evens out again is not an overlap of this block.
  StatementTable even = Rows({u"WHILE A", u"NEXT", u"FOR J = 1 TO 2", u"WEND"});
  EXPECT_EQ(MatchWhile(even, 0), u"A`3");
}

TEST(BlockMatchSelect, ItemsInSourceOrder) {
  StatementTable t = Rows({u"SELECT X + 1", u"CASE 1, 2", u"PRINT 1", u"DEFAULT", u"CASE 3",
                           u"SELECT Y", u"CASE 9", u"DEFAULT", u"SELEND", u"SELEND"});
  EXPECT_EQ(MatchSelect(t, 0), u"X + 1`1,1, 2`3,DEFAULT`4,3`9,SELEND");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{1, 3, 4, 9}));
}

TEST(BlockMatchSelect, Faults) {
  StatementTable twoDefault = Rows({u"SELECT X", u"DEFAULT", u"CASE 1", u"DEFAULT", u"SELEND"});
  EXPECT_EQ(MatchSelect(twoDefault, 0), Err(u"DEFAULT Multiplex definition"));
  EXPECT_TRUE(MarkedRows(twoDefault).empty());
  StatementTable open = Rows({u"SELECT X", u"CASE 1"});
  EXPECT_EQ(MatchSelect(open, 0), Err(u"It doesn't have SELEND toward SELECT"));
  // A CASE inside a loop of the SELECT is not its item.
  StatementTable inner = Rows({u"SELECT X", u"WHILE A", u"CASE 1", u"WEND", u"SELEND"});
  EXPECT_EQ(MatchSelect(inner, 0), u"X`4,SELEND");
}

TEST(BlockMatchFor, CountingLoopFields) {
  StatementTable t = Rows({u"FOR I = 1 TO 10 STEP 2", u"FOR J = A TO B", u"NEXT", u"NEXT"});
  EXPECT_EQ(MatchForTo(t, 0), u"I` 1 `10` 2`3");
  EXPECT_EQ(MatchForTo(t, 1), u"J` A `B`1`1");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{2, 3}));
}

TEST(BlockMatchFor, KeywordsAreWholeWordsOutsideLiterals) {
  StatementTable t =
      Rows({u"FOR I = AUTO TO PHOTO", u"NEXT", u"FOR K = LEN(\"GO TO \") TO N + STEPS", u"NEXT",
            u"FOR M = 1TO 5 STEP-1", u"NEXT"});
  EXPECT_EQ(MatchForTo(t, 0), u"I` AUTO `PHOTO`1`1");
  EXPECT_EQ(MatchForTo(t, 2), u"K` LEN(\"GO TO \") `N + STEPS`1`1");
  EXPECT_EQ(MatchForTo(t, 4), u"M` 1`5`-1`1");
}

TEST(BlockMatchFor, Faults) {
  StatementTable t = Rows({u"FOR = 1 TO 2", u"FOR I = 1", u"FOR I = 1 TO 2", u"NEXT I", u"NEXT"});
  EXPECT_EQ(MatchForTo(t, 0), Err(u"SyntaxError-50"));
  EXPECT_EQ(MatchForTo(t, 1), Err(u"It doesn't have \"TO\""));
  EXPECT_EQ(MatchForTo(t, 2), Err(u"Must describe nothing to NEXT"));
  StatementTable open = Rows({u"FOR I = 1 TO 2", u"WHILE A", u"WEND", u"FEND", u"NEXT"});
  EXPECT_EQ(MatchForTo(open, 0), Err(u"It doesn't have NEXT toward FOR"));
  StatementTable cross = Rows({u"FOR X IN A", u"TRY", u"NEXT"});
  EXPECT_EQ(MatchForIn(cross, 0), Err(u"FOR-NEXT steps over the loop or block: TRY"));
}

TEST(BlockMatchFor, CollectionLoop) {
  StatementTable t = Rows({u"FOR ITEM IN SPLIT(\"A IN B\", \" \")", u"NEXT", u"FOR IN X"});
  EXPECT_EQ(MatchForIn(t, 0), u"ITEM`SPLIT(\"A IN B\", \" \")`1");
  EXPECT_EQ(MatchForIn(t, 2), Err(u"It doesn't have \"IN\""));
  // No '=' either: the counting matcher says the same.
  EXPECT_EQ(MatchForTo(t, 2), Err(u"It doesn't have \"IN\""));
}

TEST(BlockMatchWhileRepeat, PartnersAndFaults) {
  StatementTable t =
      Rows({u"WHILE A < 3", u"REPEAT", u"WHILE B", u"WEND", u"UNTIL", u"UNTIL C = 1", u"WEND"});
  EXPECT_EQ(MatchWhile(t, 0), u"A < 3`6");
  // A bare UNTIL is no closer.
  EXPECT_EQ(MatchRepeat(t, 1), u"C = 1`4");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{5, 6}));
  StatementTable bad = Rows({u"REPEAT X", u"UNTIL Y", u"WHILE A", u"FEND", u"WEND"});
  EXPECT_EQ(MatchRepeat(bad, 0), Err(u"Something is here after REPEAT"));
  EXPECT_EQ(MatchWhile(bad, 2), Err(u"It doesn't have WEND toward WHILE"));
  StatementTable noUntil = Rows({u"REPEAT", u"UNTIL"});
  EXPECT_EQ(MatchRepeat(noUntil, 0), Err(u"It doesn't have REPEAT toward UNTIL"));
}

TEST(BlockMatchTry, FormsAndNesting) {
  StatementTable t = Rows({u"TRY", u"TRY", u"A = 1", u"EXCEPT", u"ENDTRY", u"FINALLY", u"TRY",
                           u"FINALLY", u"ENDTRY", u"ENDTRY"});
  EXPECT_EQ(MatchTry(t, 0), u"0 5 4");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{5, 9}));
  EXPECT_EQ(MatchTry(t, 1), u"1 2 1");
}

TEST(BlockMatchTry, Faults) {
  StatementTable both = Rows({u"TRY", u"FINALLY", u"EXCEPT", u"ENDTRY"});
  EXPECT_EQ(MatchTry(both, 0), Err(u"It doesn't have ENDTRY toward FINALLY or EXCEPT"));
  StatementTable text = Rows({u"TRY X", u"EXCEPT", u"ENDTRY"});
  EXPECT_EQ(MatchTry(text, 0), Err(u"Something is here after TRY"));
  StatementTable none = Rows({u"TRY", u"ENDTRY"});
  EXPECT_EQ(MatchTry(none, 0), Err(u"It doesn't have FINALLY or EXCEPT toward TRY"));
  StatementTable crossTry = Rows({u"TRY", u"IFB A", u"EXCEPT", u"ENDIF", u"ENDTRY"});
  EXPECT_EQ(MatchTry(crossTry, 0), Err(u"TRY steps over the loop or block: IFB A"));
  StatementTable crossHandler = Rows({u"TRY", u"EXCEPT", u"FOR I = 1 TO 2", u"ENDTRY", u"NEXT"});
  EXPECT_EQ(MatchTry(crossHandler, 0),
            Err(u"FINALLY or EXCEPT steps over the loop or block: FOR I = 1 TO 2"));
}

TEST(BlockMatchFinally, JumpsOutOfThePart) {
  auto jump = [](std::initializer_list<const char16_t*> part) {
    StatementTable t;
    t.StmtTexts = {u"TRY", u"FINALLY"};
    for (const char16_t* row : part) t.StmtTexts.emplace_back(row);
    return FinallyHasJump(t, 1);
  };
  EXPECT_FALSE(jump({u"FOR I = 1 TO 2", u"BREAK", u"NEXT", u"ENDTRY"}));
  EXPECT_FALSE(jump({u"REPEAT", u"CONTINUE", u"UNTIL X", u"ENDTRY"}));
  EXPECT_TRUE(jump({u"A = 1", u"BREAK", u"ENDTRY"}));
  EXPECT_TRUE(jump({u"WHILE A", u"EXIT", u"WEND", u"ENDTRY"}));
  // A level count beyond the loops inside the part leaves it as well.
  EXPECT_TRUE(jump({u"WHILE A", u"BREAK 2", u"WEND", u"ENDTRY"}));
  EXPECT_FALSE(jump({u"WHILE A", u"WHILE B", u"CONTINUE 2", u"WEND", u"WEND", u"ENDTRY"}));
  // Rows after the part's ENDTRY, or beyond the body, are not in it.
  EXPECT_FALSE(jump({u"TRY", u"EXCEPT", u"ENDTRY", u"ENDTRY", u"BREAK"}));
  EXPECT_FALSE(jump({u"A = 1", u"FEND", u"EXIT"}));
  EXPECT_FALSE(jump({}));
}

TEST(BlockMatchRobustness, BadHeadsNeverReachOutsideTheTable) {
  StatementTable t = Rows({u"IFB A", u"ENDIF"});
  EXPECT_EQ(MatchIfb(t, 2), Err(u"IFB-ENDIF:SyntaxError"));
  EXPECT_EQ(MatchSelect(t, -1), Err(u"SELECT-SELEND:SyntaxError"));
  EXPECT_EQ(MatchForTo(t, 5), Err(u"FOR-NEXT:SyntaxError"));
  EXPECT_EQ(MatchRepeat(t, 7), Err(u"REPEAT-UNTIL:SyntaxError"));
  EXPECT_EQ(MatchTry(t, 2), Err(u"TRY:SyntaxError"));
  EXPECT_FALSE(FinallyHasJump(t, 9));
  // Unsized flags are sized rather than overrun.
  t.BlockMatched.clear();
  EXPECT_EQ(MatchIfb(t, 0), u"A`-1`-1`1");
  EXPECT_EQ(MarkedRows(t), (std::vector<int>{1}));
}

TEST_F(BlockMatchJapanese, MessagesFollowTheLanguage) {
  StatementTable t = Rows({u"FOR I = 1 TO 2", u"IFB A", u"NEXT", u"ENDIF", u"SELECT X"});
  EXPECT_EQ(
      MatchForTo(t, 0),
      Err(u"FOR-NEXT がループかブロックを跨いでいる、もしくはブロックの対応が取れていない: IFB A"));
  EXPECT_EQ(MatchSelect(t, 4), Err(u"SELECT に対し SELEND が無い"));
  StatementTable forIn = Rows({u"FOR X", u"NEXT"});
  EXPECT_EQ(MatchForIn(forIn, 0), Err(u"\"IN\" もしくは \"=\" 指定が無い"));
}

}  // namespace
}  // namespace zelk
