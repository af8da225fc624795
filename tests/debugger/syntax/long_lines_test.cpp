// Loading splits lines that are too long for the editor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debugger/syntax/long_lines.h"

namespace zelk {
namespace {

TEST(LongLines, SplitWithContinuations) {
  std::vector<std::u16string> lines = {u"a", std::u16string(2500, u'x'), u"b"};
  SplitLongLines(lines);
  ASSERT_EQ(5u, lines.size());
  EXPECT_EQ(std::u16string(1020, u'x') + u"_", lines[1]);
  EXPECT_EQ(std::u16string(1020, u'x') + u"_", lines[2]);
  EXPECT_EQ(std::u16string(460, u'x'), lines[3]);
  EXPECT_EQ(u"b", lines[4]);

  // A line that already ends in its continuation right at the limit keeps it once.
  lines = {std::u16string(1020, u'y') + u"_", std::u16string(1020, u'z')};
  SplitLongLines(lines);
  EXPECT_EQ(
      (std::vector<std::u16string>{std::u16string(1020, u'y') + u"_", std::u16string(1020, u'z')}),
      lines);
  // A lone "_" line is kept: only the rest of a split is dropped.
  lines = {std::u16string(1021, u'q'), u"_"};
  SplitLongLines(lines);
  EXPECT_EQ(3u, lines.size());
  EXPECT_EQ(u"q", lines[1]);
  EXPECT_EQ(u"_", lines[2]);
}

TEST(LongLines, NeverCutASurrogatePair) {
  std::u16string line(1019, u'a');
  line += u"\U0001F600rest";
  std::vector<std::u16string> lines = {line};
  SplitLongLines(lines);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(std::u16string(1019, u'a') + u"_", lines[0]);
  EXPECT_EQ(u"\U0001F600rest", lines[1]);
}

}  // namespace
}  // namespace zelk
