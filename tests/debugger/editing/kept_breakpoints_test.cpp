// Conditions stay with their breakpoints through edits and reloads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debugger/editing/kept_breakpoints.h"
#include "debugger/editing/marks_follow.h"

namespace zelk {
namespace {

using Lines = std::vector<std::u16string>;
using Texts = std::vector<std::u16string>;

TEST(KeptBreakpoints, ComeBackWithTheirConditionsWhereTheirLinesAre) {
  const Lines before = {u"x = 1",        u"FUNCTION F(a)", u"  PRINT a",
                        u"  RESULT = a", u"FEND",          u"PRINT F(2)"};
  const std::vector<bool> marks = {true, false, true, true, false, true};
  const Texts conditions = {u"x > 0", u"", u"a = 2", u"", u"", u"x = 1"};
  const std::vector<KeptBreakpoint> kept = KeepBreakpoints(before, marks, conditions);
  ASSERT_EQ(3u, kept.size()) << "line 0 has no anchor above it";

  // Lines inserted above the function and inside it; the last line changed.
  const Lines after = {u"x = 1",     u"y = 2",        u"FUNCTION F(a)", u"  PRINT a",
                       u"  // note", u"  RESULT = a", u"FEND",          u"PRINT F(3)"};
  std::vector<bool> placed;
  Texts placedConditions;
  PlaceKeptBreakpoints(after, kept, &placed, &placedConditions);
  EXPECT_EQ((std::vector<bool>{false, false, false, true, false, false, false, false}), placed)
      << "RESULT moved away from its offset, the last line changed";
  EXPECT_EQ((Texts{u"", u"", u"", u"a = 2", u"", u"", u"", u""}), placedConditions);

  // A file that lost the anchor keeps nothing; no lines, nothing.
  PlaceKeptBreakpoints({u"PRINT 1"}, kept, &placed, &placedConditions);
  EXPECT_EQ(std::vector<bool>{false}, placed);
  PlaceKeptBreakpoints({}, kept, &placed, &placedConditions);
  EXPECT_TRUE(placed.empty());
  EXPECT_TRUE(placedConditions.empty());
}

// A buffer whose marks and conditions follow every replacement.
class ConditionedText {
 public:
  ConditionedText(Lines lines, std::vector<bool> marks, Texts conditions)
      : marks_(std::move(marks)), conditions_(std::move(conditions)) {
    buffer_.Reset(std::move(lines));
    buffer_.OnChange([this](const LineChange& c) {
      FollowChange(marks_, c, buffer_.Lines());
      FollowChangeConditions(conditions_, c, marks_);
    });
  }
  Texts Edit(TextPos from, TextPos to, std::u16string_view text) {
    buffer_.Replace(from, to, text, EditKind::kOther, {});
    EXPECT_EQ(marks_.size(), conditions_.size());
    return conditions_;
  }
  Texts Undo() {
    buffer_.Undo(nullptr);
    return conditions_;
  }

 private:
  TextBuffer buffer_;
  std::vector<bool> marks_;
  Texts conditions_;
};

TEST(KeptBreakpoints, ConditionsFollowTheirLinesWhileEditing) {
  ConditionedText t({u"a = 1", u"b = 2", u"c = 3"}, {false, true, true}, {u"", u"b > 1", u"c"});
  EXPECT_EQ((Texts{u"", u"", u"b > 1", u"c"}), t.Edit({0, 5}, {0, 5}, u"\n"))
      << "a line inserted above";
  EXPECT_EQ((Texts{u"", u"b > 1", u"c"}), t.Undo());
  EXPECT_EQ((Texts{u"", u"", u"b > 1", u"c"}), t.Edit({1, 0}, {1, 0}, u"\n"))
      << "a break at the start moves the line down whole";
  EXPECT_EQ((Texts{u"", u"", u"", u"", u"c"}), t.Edit({2, 2}, {2, 2}, u"\n"))
      << "a line split in its middle loses its breakpoint";
  EXPECT_EQ((Texts{u"", u"", u"", u"c"}), t.Edit({0, 0}, {1, 0}, u""));
  EXPECT_EQ((Texts{u"", u"", u""}), t.Edit({2, 0}, {3, 5}, u"// c"))
      << "no breakpoint, no condition";
}

}  // namespace
}  // namespace zelk
