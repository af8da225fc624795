// Which lines hold breakpoints, how breakpoints follow edits and reloads,
// and hit conditions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debugger/breakpoint_lines.h"
#include "debugger/hit_condition.h"

namespace zelk {
namespace {

TEST(BreakpointLines, OnlyExecutableLinesHoldOne) {
  for (const char16_t* line : {u"x = 1", u"  PRINT x // note", u"\tIFB x THEN", u"NEXT", u"FEND",
                               u"ELSE; x = 2", u"DIM a[3]", u"WEND", u"ENDTRY"}) {
    EXPECT_TRUE(CanHoldBreakpoint(line))
        << std::string(line, line + std::char_traits<char16_t>::length(line));
  }
  for (const char16_t* line :
       {u"", u"   ", u"// only a comment", u"ELSE", u"  endif ", u"ENDTEXTBLOCK", u"ENDMODULE",
        u"ENDCLASS", u"FUNCTION F(a)", u"procedure P()", u"CONST X = 1", u"PUBLIC P",
        u"OPTION EXPLICIT", u"MODULE M", u"CLASS C", u"TEXTBLOCK T", u"x = 1 + _", u"\u3000\t",
        u"ELSE;;ENDIF"}) {
    EXPECT_FALSE(CanHoldBreakpoint(line))
        << std::string(line, line + std::char_traits<char16_t>::length(line));
  }
  // A "//" inside a literal starts no comment; a ";" inside one splits nothing.
  EXPECT_TRUE(CanHoldBreakpoint(u"s = \"a // b\""));
  EXPECT_FALSE(CanHoldBreakpoint(u"FUNCTION F(\"a; x = 1\")"));
}

TEST(BreakpointLines, AMarkMovesToTheNextLineThatHoldsOne) {
  std::vector<std::u16string> lines = {u"// head", u"", u"x = 1", u"FUNCTION F()", u"FEND"};
  EXPECT_EQ(2, NextBreakpointLine(lines, 0));
  EXPECT_EQ(2, NextBreakpointLine(lines, 2));
  EXPECT_EQ(4, NextBreakpointLine(lines, 3));
  EXPECT_EQ(-1, NextBreakpointLine(lines, 5));
}

TEST(BreakpointLines, MarksFollowInsertedAndDeletedLines) {
  std::vector<bool> marks = {false, false, true, false};
  SyncBreakpoints(marks, 5, 1);  // a line inserted above the breakpoint
  EXPECT_EQ((std::vector<bool>{false, false, false, true, false}), marks);
  SyncBreakpoints(marks, 4, 1);  // and deleted again
  EXPECT_EQ((std::vector<bool>{false, false, true, false}), marks);
  SyncBreakpoints(marks, 4, 3);  // no change in the line count: nothing moves
  EXPECT_EQ((std::vector<bool>{false, false, true, false}), marks);
  SyncBreakpoints(marks, 0, 9);  // everything deleted, caret past the end
  EXPECT_TRUE(marks.empty());
}

TEST(BreakpointLines, AReloadFindsBreakpointsByTheirRoutineAndText) {
  std::vector<std::u16string> before = {u"x = 1", u"FUNCTION F()", u"  a = 1", u"  b = 2", u"FEND"};
  std::vector<bool> marks = {true, false, false, true, false};
  std::vector<BreakpointAnchor> anchors = SaveAnchors(before, marks);
  ASSERT_EQ(1u, anchors.size()) << "a breakpoint on line 0 has no anchor and is not kept";
  // Two lines were added above the function: its breakpoint moves with it.
  std::vector<std::u16string> after = {u"x = 1",   u"y = 2",   u"z = 3", u"FUNCTION F()",
                                       u"  a = 1", u"  b = 2", u"FEND"};
  EXPECT_EQ((std::vector<bool>{false, false, false, false, false, true, false}),
            RestoreAnchors(after, anchors));
  // The line's text changed: the breakpoint is dropped.
  after[5] = u"  b = 3";
  EXPECT_EQ(std::vector<bool>(7, false), RestoreAnchors(after, anchors));
}

TEST(HitConditions, CountsAsDebuggersWriteThem) {
  auto stops = [](const char* text, std::int64_t hit) {
    return HitCondition::Parse(text)->StopsAt(hit);
  };
  EXPECT_TRUE(stops("3", 3));
  EXPECT_FALSE(stops("3", 4));
  EXPECT_TRUE(stops("== 3", 3));
  EXPECT_TRUE(stops(">= 3", 5));
  EXPECT_FALSE(stops("> 3", 3));
  EXPECT_TRUE(stops("< 3", 2));
  EXPECT_FALSE(stops("<=3", 4));
  EXPECT_TRUE(stops("%3", 6));
  EXPECT_FALSE(stops("%3", 7));
  for (const char* bad : {"", "x", "%0", ">", "3x", "-1"}) {
    EXPECT_FALSE(HitCondition::Parse(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace zelk
