#include "frontend/source_column.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace zelk {
namespace {

TEST(SourceColumn, EntriesComeBackAsWrittenAndStayScrambled) {
  SourceColumn column;
  EXPECT_TRUE(column.empty());
  column.Append(u"12", u"PRINT \"a\"");
  column.push_back(ScrambleSource(u"3,X = 1"));
  column.Append(u"4", u"");
  ASSERT_EQ(3u, column.size());
  EXPECT_EQ(u"12,PRINT \"a\"", ScrambleSource(column[0]));
  EXPECT_EQ(u"3,X = 1", ScrambleSource(column[1]));
  EXPECT_EQ(u"4,", ScrambleSource(column.at(2)));
  // Nothing of the script is readable in memory.
  EXPECT_EQ(std::u16string_view::npos, column[0].find(u"PRINT"));
  EXPECT_THROW(column.at(3), std::out_of_range);
}

TEST(SourceColumn, ResizePadsWithEmptyEntriesOrDropsTheLast) {
  SourceColumn column;
  column.Append(u"1", u"A");
  column.resize(3);
  ASSERT_EQ(3u, column.size());
  EXPECT_EQ(u"1,A", ScrambleSource(column[0]));
  EXPECT_TRUE(column[1].empty());
  EXPECT_TRUE(column[2].empty());
  column.Append(u"2", u"B");
  EXPECT_EQ(u"2,B", ScrambleSource(column[3]));
  column.resize(1);
  column.Append(u"5", u"C");
  ASSERT_EQ(2u, column.size());
  EXPECT_EQ(u"1,A", ScrambleSource(column[0]));
  EXPECT_EQ(u"5,C", ScrambleSource(column[1]));
  column.clear();
  EXPECT_TRUE(column.empty());
  column.Append(u"7", u"D");
  EXPECT_EQ(u"7,D", ScrambleSource(column[0]));
}

}  // namespace
}  // namespace zelk
