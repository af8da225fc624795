// Searching without wrap-around, and the words under a place.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "debugger/editing/text_search.h"

namespace zelk {
namespace {

const std::vector<std::u16string> kLines = {u"print x", u"Print y; PRINT z", u"", u"end"};

TEST(TextSearch, DownwardStartsAfterTheCaretCharacterAndNeverWraps) {
  EXPECT_EQ((TextPos{1, 0}), FindInLines(kLines, {0, 0}, u"PRINT", true));
  EXPECT_EQ((TextPos{1, 9}), FindInLines(kLines, {1, 0}, u"print", true));
  EXPECT_EQ(std::nullopt, FindInLines(kLines, {1, 9}, u"print", true));
  EXPECT_EQ(std::nullopt, FindInLines(kLines, {3, 0}, u"x", true)) << "only above";
  EXPECT_EQ(std::nullopt, FindInLines(kLines, {0, 0}, u"", true));
}

TEST(TextSearch, UpwardEndsBeforeTheCaretAndTakesTheLastInALine) {
  EXPECT_EQ((TextPos{1, 9}), FindInLines(kLines, {3, 0}, u"print", false));
  EXPECT_EQ((TextPos{1, 0}), FindInLines(kLines, {1, 13}, u"print", false)) << "must end before";
  EXPECT_EQ((TextPos{1, 9}), FindInLines(kLines, {1, 14}, u"print", false));
  EXPECT_EQ(std::nullopt, FindInLines(kLines, {0, 3}, u"print", false));
}

TEST(TextSearch, WordsUnderAPlace) {
  EXPECT_EQ(u"LENGTH", HelpWordAt(u"x=length(s)", 4));
  EXPECT_EQ(u"", HelpWordAt(u"x=length(s)", 8)) << "on the bracket";
  EXPECT_EQ(u"G", HelpWordAt(u"G_SCREEN_W", 0)) << "letters A-Z only";
  EXPECT_EQ(u"", HelpWordAt(u"abc", 3));

  int start = 0, end = 0;
  WordBounds(u"PRINT name_1   + x", 8, &start, &end);
  EXPECT_EQ(6, start);
  EXPECT_EQ(12, end) << "without the blanks behind";
  WordBounds(u"PRINT name_1   + x", 13, &start, &end);
  EXPECT_EQ(12, start);
  EXPECT_EQ(15, end);
  WordBounds(u"abc", 3, &start, &end);
  EXPECT_EQ(0, start);
  EXPECT_EQ(3, end);
  WordBounds(u"", 0, &start, &end);
  EXPECT_EQ(0, end);
}

}  // namespace
}  // namespace zelk
