// Breakpoint marks follow their lines through edits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debugger/editing/marks_follow.h"

namespace zelk {
namespace {

using Marks = std::vector<bool>;

// Applies one replacement to a buffer with marks and returns the marks.
class MarkedText {
 public:
  MarkedText(const MarkedText&) = delete;
  MarkedText(std::vector<std::u16string> lines, Marks marks) : marks_(std::move(marks)) {
    buffer_.Reset(std::move(lines));
    buffer_.OnChange(
        [this](const LineChange& c) { changed_ |= FollowChange(marks_, c, buffer_.Lines()); });
  }
  Marks Edit(TextPos from, TextPos to, std::u16string_view text) {
    changed_ = false;
    buffer_.Replace(from, to, text, EditKind::kOther, {});
    return marks_;
  }
  Marks Undo() {
    buffer_.Undo(nullptr);
    return marks_;
  }
  bool changed() const { return changed_; }

 private:
  TextBuffer buffer_;
  Marks marks_;
  bool changed_ = false;
};

TEST(MarksFollow, LineBreaksAboveAndAtTheStartMoveTheMarkDown) {
  MarkedText t({u"a = 1", u"b = 2", u"c = 3"}, {false, true, false});
  EXPECT_EQ((Marks{false, false, true, false}), t.Edit({0, 5}, {0, 5}, u"\r\n"));
  EXPECT_TRUE(t.changed());
  EXPECT_EQ((Marks{false, false, false, true, false}), t.Edit({2, 0}, {2, 0}, u"\r\n"))
      << "Enter at the start of the marked line";
  EXPECT_EQ((Marks{false, false, false, true, false, false}), t.Edit({3, 5}, {3, 5}, u"\r\n"))
      << "Enter at its end";
  EXPECT_EQ((Marks{false, false, true, false, false}), t.Edit({1, 0}, {2, 0}, u""))
      << "a whole line deleted above";
  EXPECT_EQ((Marks{false, true, false, false}), t.Edit({0, 5}, {1, 0}, u""))
      << "a blank line joined to the line above";
  EXPECT_EQ((Marks{true, false, false}), t.Edit({0, 0}, {1, 0}, u"")) << "the line above deleted";
}

TEST(MarksFollow, SplittingOrEmptyingALineRemovesItsMark) {
  MarkedText t({u"PRINT 1", u"x = 2"}, {true, true});
  EXPECT_EQ((Marks{false, false, true}), t.Edit({0, 3}, {0, 3}, u"\r\n"));
  EXPECT_EQ((Marks{false, false, false}), t.Edit({2, 0}, {2, 5}, u"")) << "left blank";
  MarkedText comment({u"x = 2"}, {true});
  EXPECT_EQ((Marks{false}), comment.Edit({0, 0}, {0, 0}, u"// ")) << "made a comment";
  EXPECT_EQ((Marks{false}), comment.Undo()) << "undo brings text back, not marks";
  MarkedText typed({u"x = 2"}, {true});
  EXPECT_EQ((Marks{true}), typed.Edit({0, 5}, {0, 5}, u" + 1"));
  EXPECT_FALSE(typed.changed()) << "typing on the line moves nothing";
}

TEST(MarksFollow, JoiningKeepsTheMarkOfTheLineThatStays) {
  MarkedText joined({u"a = 1", u"b = 2"}, {false, true});
  EXPECT_EQ((Marks{false}), joined.Edit({0, 5}, {1, 0}, u"")) << "Delete at the end of line 0";
  MarkedText blank({u"", u"b = 2"}, {false, true});
  EXPECT_EQ((Marks{true}), blank.Edit({0, 0}, {1, 0}, u"")) << "a blank line removed above";
}

}  // namespace
}  // namespace zelk
