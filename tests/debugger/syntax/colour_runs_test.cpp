// Colouring of source lines: which words are coloured, where runs start and
// end, and how classes that look alike become one.
#include <gtest/gtest.h>

#include <string>

#include "debugger/syntax/colour_runs.h"
#include "debugger/syntax/word_tables.h"

namespace zelk {
namespace {

// Every class with a look of its own, so no class is folded into another.
AppearanceSettings Distinct() {
  AppearanceSettings s = AppearanceSettings::Defaults(false);
  s.classes[kBuiltinFunctionWord] = {0x0000FF, 0};
  s.classes[kStringLiteral] = {0x00FF00, 0};
  return s;
}

std::string Runs(std::u16string_view line, const AppearanceSettings& s = Distinct()) {
  std::u16string text = RunsText(LineColourRuns(line, s));
  return std::string(text.begin(), text.end());
}

TEST(WordTables, EarlierTablesWinAndConditionalTablesNeedTheirLine) {
  EXPECT_EQ(kSyntaxWord, TableWordClass(u"FOR", false, false));
  EXPECT_EQ(kConstantWord, TableWordClass(u"TRUE", false, false));
  EXPECT_EQ(kSpecialVariableWord, TableWordClass(u"G_SCREEN_W", false, false));
  EXPECT_EQ(kBuiltinFunctionWord, TableWordClass(u"LENGTH", false, false));
  // INT is a type word of DEF_DLL too, but the built-in table comes first.
  EXPECT_EQ(kBuiltinFunctionWord, TableWordClass(u"INT", false, true));
  EXPECT_EQ(kPlainWord, TableWordClass(u"DWORD", false, false));
  EXPECT_EQ(kSyntaxWord, TableWordClass(u"DWORD", false, true));
  EXPECT_EQ(kPlainWord, TableWordClass(u"EXPLICIT", false, true));
  EXPECT_EQ(kSyntaxWord, TableWordClass(u"EXPLICIT", true, false));
  // Key codes only count as such; anything else beginning VK_ is plain.
  EXPECT_EQ(kConstantWord, TableWordClass(u"VK_RETURN", false, false));
  EXPECT_EQ(kPlainWord, TableWordClass(u"VK_NOSUCHKEY", false, false));
  // 24 characters or more are never coloured, table word or not.
  EXPECT_EQ(kConstantWord, TableWordClass(u"SNSR_MOTION_SPEED", false, false));
  EXPECT_EQ(kPlainWord, TableWordClass(u"SNSR_ENVIRONMENTAL_TEMPERATURE", false, false));
  EXPECT_EQ(kStringLiteral, TableWordClass(u"\"\"", false, false));
  EXPECT_EQ(kPlainWord, TableWordClass(u"\"", false, false));
  EXPECT_EQ(kPlainWord, TableWordClass(u"", false, false));
}

TEST(WordTables, HelpExistsForBuiltinFunctions) {
  EXPECT_EQ(1, IsHelpWord(u"LENGTH"));
  EXPECT_EQ(2, IsHelpWord(u"sin"));
  EXPECT_EQ(2, IsHelpWord(u"INT"));
  EXPECT_EQ(0, IsHelpWord(u"FOR"));
  EXPECT_EQ(0, IsHelpWord(u"TRUE"));
  EXPECT_EQ(0, IsHelpWord(u""));
}

TEST(ColourRuns, CommentsStartOnlyOutsideLiterals) {
  EXPECT_EQ("6,4,8,4,13,7,", Runs(u"x = \"a // b\" // note"));
  EXPECT_EQ("4,0,10,", Runs(u"// PRINT x"));
  // A comment right behind a word of its look reads back as one run.
  AppearanceSettings s = Distinct();
  s.classes[kCommentText] = s.classes[kSyntaxWord];
  EXPECT_EQ("1,0,7,", Runs(u"NEXT//x", s));
}

TEST(ColourRuns, ConditionalSyntaxWords) {
  EXPECT_EQ("1,0,3,1,10,2,1,16,4,", Runs(u"FOR i = 1 TO 10 STEP 2"));
  EXPECT_EQ("", Runs(u"TO = 5"));
  EXPECT_EQ("6,6,4,", Runs(u"msg = \"TO\""));
  EXPECT_EQ("1,0,3,1,6,2,", Runs(u"for x in list"));
  EXPECT_EQ("", Runs(u"x IN y"));
  EXPECT_EQ("1,0,8,1,11,3,", Runs(u"FUNCTION F(VAR a)"));
  EXPECT_EQ("", Runs(u"VAR = 1"));
  EXPECT_EQ("1,0,6,1,7,8,", Runs(u"OPTION EXPLICIT"));
  EXPECT_EQ("", Runs(u"x = EXPLICIT"));
  EXPECT_EQ("1,0,7,1,10,4,1,16,5,", Runs(u"DEF_DLL f(long):dword:user32"));
}

TEST(ColourRuns, PositionsCountTabsIdeographicSpacesAndDelimiters) {
  EXPECT_EQ("1,1,5,", Runs(u"\tPRINT x"));
  EXPECT_EQ("1,1,5,", Runs(u"\u3000PRINT x"));
  EXPECT_EQ("5,0,6,2,7,4,5,13,3,3,18,6,", Runs(u"LENGTH(TRUE)+ABS(-RESULT)"));
  EXPECT_EQ("2,1,4,2,6,5,", Runs(u"[TRUE,FALSE]"));
  // An unterminated literal is no string; a word glued to one is no word.
  EXPECT_EQ("", Runs(u"s = \"abc"));
  EXPECT_EQ("", Runs(u"PRINT\"x\""));
  EXPECT_EQ("", Runs(u"   "));
  EXPECT_EQ("1,2,5,", Runs(u"  print   "));
}

TEST(ColourRuns, ClassesThatLookAlikeColourAlike) {
  AppearanceSettings s = AppearanceSettings::Defaults(false);
  // By default built-in functions and strings look like plain text.
  EXPECT_EQ("1,0,5,", Runs(u"PRINT LENGTH(\"x\")", s));
  EXPECT_EQ(kPlainWord, ClassifyWord(u"LENGTH", false, false, s));
  // Constants shown like syntax words produce syntax runs.
  s.classes[kConstantWord] = s.classes[kSyntaxWord];
  EXPECT_EQ(kSyntaxWord, ClassifyWord(u"TRUE", false, false, s));
  EXPECT_EQ("1,0,2,1,3,4,", Runs(u"IF TRUE", s));
  // A comment shown as plain text has no run.
  s.classes[kCommentText] = {s.textColour, 0};
  EXPECT_EQ("", Runs(u"// x", s));
}

TEST(ColourRuns, OverlongLinesArePlain) {
  const AppearanceSettings look = AppearanceSettings::Defaults(false);
  std::u16string line = u"PRINT ";
  line.resize(kColouredLineLimit, u'x');
  EXPECT_EQ(u"1,0,5,", RunsText(LineColourRuns(line, look)));
  line += u'x';
  EXPECT_TRUE(LineColourRuns(line, look).empty()) << "a pasted line too long to cut in time";
}

}  // namespace
}  // namespace zelk
