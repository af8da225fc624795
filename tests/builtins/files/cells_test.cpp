#include "builtins/files/cells.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zelk {
namespace {

std::u16string Read(std::u16string_view line, int column, bool quoteAware = true,
                    char16_t separator = u',') {
  CellCache fresh;
  return std::u16string(ReadCell(line, 1, column, separator, quoteAware, &fresh));
}

TEST(FileCells, QuotesProtectSeparatorsUnlessIgnored) {
  const std::u16string line = u"x,  \"b,c\" ,d";
  EXPECT_EQ(Read(line, 2), u"\"b,c\"");
  EXPECT_EQ(Read(line, 3), u"d");
  // Quotes ignored: the cell ends at the comma inside them.
  EXPECT_EQ(Read(line, 2, false), u"\"b");
  EXPECT_EQ(Read(line, 4, false), u"d");
  EXPECT_EQ(Read(line, 5), u"");
}

TEST(FileCells, EmptyTabCellsSurviveTheTrim) {
  EXPECT_EQ(Read(u" a\t\tc ", 2, true, u'\t'), u"");
  EXPECT_EQ(Read(u" a\t\tc ", 3, true, u'\t'), u"c");
  EXPECT_EQ(TrimKeepTabs(u"\t x \r\n"), u"\t x");
}

// Cells read one after the other through the cache must be what a fresh cut
// gives, whatever the quote mode of the calls before.
TEST(FileCells, CacheAgreesWithAFreshCutInEveryOrder) {
  std::mt19937 random(14);
  const std::u16string pieces[] = {u"a", u"12", u",", u",", u"\"", u" ", u"\t"};
  for (int round = 0; round < 2000; ++round) {
    std::u16string line;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) line += pieces[random() % std::size(pieces)];
    CellCache cache;
    for (int call = 0; call < 6; ++call) {
      const int column = 1 + static_cast<int>(random() % 6);
      const bool quoteAware = random() % 3 != 0;
      const std::u16string got(ReadCell(line, 1, column, u',', quoteAware, &cache));
      ASSERT_EQ(got, Read(line, column, quoteAware))
          << "line [" << std::string(line.begin(), line.end()) << "] column " << column
          << (quoteAware ? "" : " quotes ignored");
    }
  }
}

TEST(FileCells, QuoteModesOfARead) {
  bool keepWide = false;
  EXPECT_EQ(ApplyQuoteMode(u"\"12\"", 0, &keepWide), u"12");
  EXPECT_TRUE(keepWide);
  EXPECT_EQ(ApplyQuoteMode(u"\"a\"\"b\"", 0, &keepWide), u"\"a\"\"b\"");
  EXPECT_FALSE(keepWide);
  EXPECT_EQ(ApplyQuoteMode(u"\"a\"\"b\"", 2, &keepWide), u"a\"b");
  EXPECT_EQ(ApplyQuoteMode(u"\"a\"", 1, &keepWide), u"\"a\"");
  EXPECT_EQ(ApplyQuoteMode(u"\"", 0, &keepWide), u"\"");
}

TEST(FileCells, PutReplacesOneCellAndPadsShortLines) {
  EXPECT_EQ(PutCell(u"a,b,c", 2, u"X", u',', 0), u"a,X,c");
  EXPECT_EQ(PutCell(u",b", 2, u"X", u',', 0), u",X");
  EXPECT_EQ(PutCell(u"", 4, u"x", u',', 0), u",,,x");
  EXPECT_EQ(PutCell(u"a", 1, u"X", u',', 0), u"X");
  // The rest of the line stays as it was, quoted separators included.
  EXPECT_EQ(PutCell(u"\"p,q\",b,\"r,s\"", 2, u"X", u',', 0), u"\"p,q\",X,\"r,s\"");
  EXPECT_EQ(PutCell(u"a\tb", 2, u"say \"hi\"", u'\t', 2), u"a\t\"say \"\"hi\"\"\"");
}

}  // namespace
}  // namespace zelk
