#include "frontend/block_match.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "block_match_reference.h"
#include "foundation/messages.h"
#include "frontend/preprocess.h"

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

// Rows a random table is made of: every block row, the faulty forms the
// matchers reject, jumps for FINALLY parts, and plain statements.
const std::vector<std::u16string> kAlphabet = {
    u"IFB X",      u"IFB X THEN", u"IFB",     u"ELSEIF Y", u"ELSEIF",
    u"ELSE",       u"ELSE Z",     u"ENDIF",   u"SELECT S", u"SELECT",
    u"CASE 1",     u"CASE",       u"DEFAULT", u"SELEND",   u"FOR I = 1 TO 3",
    u"FOR I IN A", u"FOR I = 1",  u"NEXT",    u"NEXT I",   u"WHILE C",
    u"WHILE",      u"WEND",       u"REPEAT",  u"REPEAT X", u"UNTIL C",
    u"UNTIL",      u"TRY",        u"TRY X",   u"FINALLY",  u"EXCEPT",
    u"ENDTRY",     u"BREAK",      u"BREAK 2", u"BREAK 0",  u"CONTINUE",
    u"CONTINUE 3", u"EXIT",       u"EXIT 1",  u"EXITEXIT", u"FEND",
    u"PRINT 1"};

// Mostly well nested blocks with their inner rows, disturbed now and then by
// any row of the alphabet, so that both matches and every fault occur.
std::vector<std::u16string> RandomTable(std::mt19937& random) {
  struct Block {
    std::u16string head;
    std::vector<std::u16string> inner;
    std::u16string closer;
  };
  static const std::vector<Block> blocks = {
      {u"IFB X", {u"ELSEIF Y", u"ELSE", u"ELSE", u"ELSE Z"}, u"ENDIF"},
      {u"SELECT S", {u"CASE 1", u"CASE 1", u"DEFAULT"}, u"SELEND"},
      {u"FOR I = 1 TO 3", {u"BREAK", u"CONTINUE 2"}, u"NEXT"},
      {u"FOR I IN A", {u"BREAK 2"}, u"NEXT"},
      {u"WHILE C", {u"BREAK", u"EXIT"}, u"WEND"},
      {u"REPEAT", {u"CONTINUE"}, u"UNTIL C"},
      {u"TRY", {u"FINALLY", u"EXCEPT"}, u"ENDTRY"},
  };
  auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  std::vector<std::u16string> rows;
  std::vector<const Block*> open;
  const std::size_t length = 1 + pick(60);
  const unsigned noise = 2 + random() % 10;  // out of 40
  while (rows.size() < length) {
    unsigned roll = random() % 40;
    if (roll < noise) {
      rows.push_back(kAlphabet[pick(kAlphabet.size())]);
    } else if (roll < 20 && open.size() < 6) {
      open.push_back(&blocks[pick(blocks.size())]);
      rows.push_back(open.back()->head);
    } else if (roll < 28 && !open.empty()) {
      const auto& inner = open.back()->inner;
      rows.push_back(inner[pick(inner.size())]);
    } else if (!open.empty()) {
      rows.push_back(open.back()->closer);
      // Often a sibling of the same kind follows: its rows stand at the
      // levels of the block just closed.
      if (random() % 2) {
        rows.push_back(open.back()->head);
      } else {
        open.pop_back();
      }
    } else {
      rows.push_back(u"PRINT 1");
    }
  }
  // Close some of what is left open, and sometimes end the body.
  while (!open.empty() && random() % 4 != 0) {
    rows.push_back(open.back()->closer);
    open.pop_back();
  }
  if (random() % 2) rows.push_back(u"FEND");
  return rows;
}

StatementTable TableOf(const std::vector<std::u16string>& rows) {
  StatementTable table;
  table.StmtTexts = rows;
  table.BlockMatched.assign(rows.size(), 0);
  return table;
}

std::string Listing(const StatementTable& table) {
  std::string out;
  for (const std::u16string& row : table.StmtTexts) {
    for (char16_t c : row) out += c < 0x80 ? static_cast<char>(c) : '?';
    out += '\n';
  }
  return out;
}

enum Matcher { kIfb, kSelect, kForTo, kForIn, kWhile, kRepeat, kTry, kMatchers };

std::u16string Indexed(Matcher m, StatementTable& t, int head, BlockIndex* index) {
  switch (m) {
    case kIfb:
      return MatchIfb(t, head, index);
    case kSelect:
      return MatchSelect(t, head, index);
    case kForTo:
      return MatchForTo(t, head, index);
    case kForIn:
      return MatchForIn(t, head, index);
    case kWhile:
      return MatchWhile(t, head, index);
    case kRepeat:
      return MatchRepeat(t, head, index);
    default:
      return MatchTry(t, head, index);
  }
}

std::u16string Scanned(Matcher m, StatementTable& t, int head) {
  switch (m) {
    case kIfb:
      return reference::MatchIfb(t, head);
    case kSelect:
      return reference::MatchSelect(t, head);
    case kForTo:
      return reference::MatchForTo(t, head);
    case kForIn:
      return reference::MatchForIn(t, head);
    case kWhile:
      return reference::MatchWhile(t, head);
    case kRepeat:
      return reference::MatchRepeat(t, head);
    default:
      return reference::MatchTry(t, head);
  }
}

// The matcher the kind pass gives a row, or kMatchers for none.
Matcher HeadMatcher(const std::u16string& row) {
  std::u16string word = row.substr(0, row.find(u' '));
  if (word == u"IFB" || word == u"ELSEIF") return kIfb;
  if (word == u"SELECT") return kSelect;
  if (word == u"FOR") return row.find(u'=') != std::u16string::npos ? kForTo : kForIn;
  if (word == u"WHILE") return kWhile;
  if (word == u"REPEAT") return kRepeat;
  if (word == u"TRY") return kTry;
  return kMatchers;
}

// What the random tables produced, so that a generator gone dull is noticed.
struct Seen {
  std::set<std::u16string> outcomes;  // marker texts, and "<matcher> ok"
  int jumps[2] = {};

  void Add(Matcher m, const std::u16string& result) {
    if (IsErrorRow(result)) {
      // Overlap markers end with the crossed row: keep the kind of fault only.
      std::size_t over = result.find(u" steps over the loop or block: ");
      outcomes.insert(over == std::u16string::npos ? result : result.substr(0, over + 29));
    } else {
      outcomes.insert(std::u16string(1, static_cast<char16_t>(u'0' + m)) + u" ok");
    }
  }
};

class BlockMatchAgainstScan : public ::testing::Test {
 protected:
  void TearDown() override { SetJapaneseMessages(false); }
};

// The kind pass's way: heads in row order, one index for the table, each
// head's row rewritten with its result before the next head is matched.
void CompareInRowOrder(const std::vector<std::u16string>& rows, Seen& seen) {
  StatementTable fast = TableOf(rows), slow = TableOf(rows);
  BlockIndex index;
  for (int r = 0; r < fast.RowCount(); ++r) {
    const std::u16string row = fast.StmtTexts[r];
    if (row == u"FINALLY") {
      bool jump = FinallyHasJump(fast, r, &index);
      ASSERT_EQ(jump, reference::FinallyHasJump(slow, r)) << r << "\n" << Listing(slow);
      ++seen.jumps[jump];
    }
    Matcher m = HeadMatcher(row);
    if (m == kMatchers) continue;
    std::u16string expected = Scanned(m, slow, r);
    std::u16string result = Indexed(m, fast, r, &index);
    ASSERT_EQ(result, expected) << "row " << r << "\n" << Listing(slow);
    seen.Add(m, result);
    fast.StmtTexts[r] = result;
    slow.StmtTexts[r] = expected;
  }
  ASSERT_EQ(fast.BlockMatched, slow.BlockMatched) << Listing(slow);
}

// Every matcher at every row, heads of other blocks included, and FINALLY
// checks from every row, with and without an index given.
void CompareEverywhere(const std::vector<std::u16string>& rows, Seen& seen) {
  StatementTable fast = TableOf(rows), slow = TableOf(rows);
  BlockIndex index;
  for (int r = -1; r <= fast.RowCount(); ++r) {
    for (int m = 0; m < kMatchers; ++m) {
      BlockIndex* given = (r + m) % 3 == 0 ? nullptr : &index;
      std::u16string result = Indexed(Matcher(m), fast, r, given);
      ASSERT_EQ(result, Scanned(Matcher(m), slow, r)) << "matcher " << m << " row " << r << "\n"
                                                      << Listing(slow);
      seen.Add(Matcher(m), result);
    }
    ASSERT_EQ(FinallyHasJump(fast, r, &index), reference::FinallyHasJump(slow, r)) << r << "\n"
                                                                                   << Listing(slow);
  }
  ASSERT_EQ(fast.BlockMatched, slow.BlockMatched) << Listing(slow);
}

TEST_F(BlockMatchAgainstScan, RandomTables) {
  std::mt19937 random(20240611);
  Seen seen;
  for (int round = 0; round < 1200; ++round) {
    SetJapaneseMessages(round % 7 == 0);
    std::vector<std::u16string> rows;
    if (round % 3 == 0) {
      for (int k = 1 + random() % 25; k > 0; --k)
        rows.push_back(kAlphabet[random() % kAlphabet.size()]);
    } else {
      rows = RandomTable(random);
    }
    CompareInRowOrder(rows, seen);
    if (round % 4 == 0) CompareEverywhere(rows, seen);
    if (HasFatalFailure()) return;
  }
  SetJapaneseMessages(false);
  // Every success and every fault the matchers know was met.
  for (int m = 0; m < kMatchers; ++m) {
    EXPECT_TRUE(seen.outcomes.count(std::u16string(1, static_cast<char16_t>(u'0' + m)) + u" ok"))
        << m;
  }
  for (const std::u16string& fault : {u"ELSE Multiplex definition"s,
                                      u"ELSE: SyntaxError"s,
                                      u"It doesn't have ENDIF toward IFB"s,
                                      u"IFB(IF)-ENDIF steps over the loop or block"s,
                                      u"DEFAULT Multiplex definition"s,
                                      u"It doesn't have SELEND toward SELECT"s,
                                      u"SELECT-SELEND steps over the loop or block"s,
                                      u"Must describe nothing to NEXT"s,
                                      u"It doesn't have NEXT toward FOR"s,
                                      u"FOR-NEXT steps over the loop or block"s,
                                      u"It doesn't have WEND toward WHILE"s,
                                      u"WHILE-WEND steps over the loop or block"s,
                                      u"It doesn't have REPEAT toward UNTIL"s,
                                      u"REPEAT-UNTIL steps over the loop or block"s,
                                      u"Something is here after REPEAT"s,
                                      u"It doesn't have FINALLY or EXCEPT toward TRY"s,
                                      u"TRY steps over the loop or block"s,
                                      u"It doesn't have ENDTRY toward FINALLY or EXCEPT"s,
                                      u"FINALLY or EXCEPT steps over the loop or block"s,
                                      u"Something is here after TRY"s,
                                      u"IFB-ENDIF:SyntaxError"s}) {
    EXPECT_TRUE(seen.outcomes.count(Err(fault))) << std::string(fault.begin(), fault.end());
  }
  EXPECT_GT(seen.jumps[0], 100);
  EXPECT_GT(seen.jumps[1], 100);
}

TEST(BlockMatchIndexed, OverlapNamesTheRowThatLastUnbalanced) {
  // Counted from the head: the SELECT count ends above zero, so its last
  // opener is named, though a closer came after it.
  StatementTable open = Rows({u"WHILE A", u"SELECT X", u"SELECT Y", u"SELEND", u"WEND"});
  EXPECT_EQ(MatchWhile(open, 0), Err(u"WHILE-WEND steps over the loop or block: SELECT Y"));
  // Below zero: the last closer, though an opener came after it.
  StatementTable closed = Rows({u"WHILE A", u"NEXT", u"NEXT", u"FOR I IN B", u"WEND"});
  EXPECT_EQ(MatchWhile(closed, 0), Err(u"WHILE-WEND steps over the loop or block: NEXT"));
  StatementTable both = Rows({u"REPEAT", u"ENDIF", u"IFB A", u"IFB B", u"UNTIL X"});
  EXPECT_EQ(MatchRepeat(both, 0), Err(u"REPEAT-UNTIL steps over the loop or block: IFB B"));
}

TEST(BlockMatchIndexed, FirstFaultyRowDecides) {
  StatementTable elseFirst = Rows({u"IFB A", u"ELSE", u"ELSE", u"ELSE B", u"ENDIF"});
  EXPECT_EQ(MatchIfb(elseFirst, 0), Err(u"ELSE Multiplex definition"));
  StatementTable textFirst = Rows({u"IFB A", u"ELSE", u"ELSE B", u"ELSE", u"ENDIF"});
  EXPECT_EQ(MatchIfb(textFirst, 0), Err(u"ELSE: SyntaxError"));
  // Faulty rows after the partner or the FEND are not met.
  StatementTable after = Rows({u"IFB A", u"ELSE", u"ENDIF", u"ELSE", u"ELSE B", u"FEND"});
  EXPECT_EQ(MatchIfb(after, 0), u"A`-1`1`2");
  StatementTable open = Rows({u"IFB A", u"ELSE", u"FEND", u"ELSE"});
  EXPECT_EQ(MatchIfb(open, 0), Err(u"It doesn't have ENDIF toward IFB"));
  StatementTable next = Rows({u"FOR I = 1 TO 2", u"NEXT", u"NEXT I"});
  EXPECT_EQ(MatchForTo(next, 0), u"I` 1 `2`1`1");
  StatementTable nextOpen = Rows({u"FOR I = 1 TO 2", u"FOR J IN K", u"NEXT I", u"FEND"});
  EXPECT_EQ(MatchForIn(nextOpen, 1), Err(u"Must describe nothing to NEXT"));
  StatementTable defaults = Rows({u"SELECT X", u"DEFAULT", u"SELEND", u"DEFAULT"});
  EXPECT_EQ(MatchSelect(defaults, 0), u"X`1,DEFAULT`2,SELEND");
}

TEST(BlockMatchIndexed, HeadsWithoutAnOpenerOfTheirOwn) {
  // A bare keyword does not open a block of its type, yet its scan starts at
  // depth 1: it shares the partner and the items of the block it stands in.
  StatementTable t = Rows({u"SELECT X", u"SELECT", u"CASE 1", u"SELEND", u"FEND"});
  EXPECT_EQ(MatchSelect(t, 1), u"`1,1`2,SELEND");
  EXPECT_EQ(MatchSelect(t, 0), u"X`2,1`3,SELEND");
  StatementTable w = Rows({u"WHILE", u"WEND", u"WEND"});
  EXPECT_EQ(MatchWhile(w, 0), u"`1");
}

TEST(BlockMatchIndexed, FinallyPartsFromTheIndex) {
  StatementTable t = Rows({u"TRY", u"FINALLY", u"TRY", u"FINALLY", u"BREAK", u"ENDTRY", u"WHILE A",
                           u"BREAK 1", u"WEND", u"ENDTRY", u"TRY", u"FINALLY", u"NEXT", u"CONTINUE",
                           u"ENDTRY", u"EXIT", u"FEND"});
  BlockIndex index;
  // The BREAK of the nested part is not the outer part's; BREAK 1 stays in its loop.
  EXPECT_FALSE(FinallyHasJump(t, 1, &index));
  EXPECT_TRUE(FinallyHasJump(t, 3, &index));
  // A stray NEXT leaves the loop count below zero: CONTINUE leaves more.
  EXPECT_TRUE(FinallyHasJump(t, 11, &index));
}

TEST(BlockMatchIndexed, IndexFollowsTheTableItIsGiven) {
  BlockIndex index;
  StatementTable first = Rows({u"WHILE A", u"WEND"});
  EXPECT_EQ(MatchWhile(first, 0, &index), u"A`1");
  StatementTable second = Rows({u"WHILE B", u"PRINT 1", u"WEND"});
  EXPECT_EQ(MatchWhile(second, 0, &index), u"B`2");
  // Same table, rows added: made afresh.
  second.StmtTexts.insert(second.StmtTexts.begin() + 1, u"IFB C");
  EXPECT_EQ(MatchWhile(second, 0, &index), Err(u"WHILE-WEND steps over the loop or block: IFB C"));
}

// A body of open heads: each would scan to the FEND. Not timed here; the
// matchers must get through it at all.
TEST(BlockMatchIndexed, ManyOpenHeadsInOneBody) {
  constexpr int kHeads = 100000;
  for (const char16_t* head : {u"WHILE X", u"IFB X"}) {
    const bool isWhile = head[0] == u'W';
    const std::u16string open =
        Err(isWhile ? u"It doesn't have WEND toward WHILE" : u"It doesn't have ENDIF toward IFB");
    StatementTable t;
    t.StmtTexts.assign(kHeads, head);
    t.StmtTexts.push_back(u"FEND");
    t.BlockMatched.assign(t.StmtTexts.size(), 0);
    BlockIndex index;
    int opened = 0;
    for (int r = 0; r < kHeads; ++r) {
      t.StmtTexts[r] = isWhile ? MatchWhile(t, r, &index) : MatchIfb(t, r, &index);
      opened += t.StmtTexts[r] == open;
    }
    EXPECT_EQ(opened, kHeads);
    EXPECT_TRUE(MarkedRows(t).empty());
  }
}

// The same through preprocessing, whose kind pass must share one index.
TEST(BlockMatchIndexed, PreprocessingManyOpenHeads) {
  std::vector<std::u16string> source{u"PROCEDURE __MAIN__()"};
  for (int k = 0; k < 50000; ++k) {
    source.push_back(u"WHILE X");
    source.push_back(u"IFB X");
  }
  source.push_back(u"FEND");
  StatementTable table;
  DefinitionTables definitions;
  FrontEndErrors errors;
  Preprocessor pre{table, definitions, errors};
  pre.FReLoad(source);
  ASSERT_GE(table.RowCount(), 100001);
  EXPECT_EQ(table.StmtTexts[1], Err(u"It doesn't have WEND toward WHILE"));
  EXPECT_EQ(table.StmtTexts[100000], Err(u"It doesn't have ENDIF toward IFB"));
}

}  // namespace
}  // namespace zelk
