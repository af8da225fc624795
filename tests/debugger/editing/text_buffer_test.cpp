// The editor's text: replacements over lines, undo and redo, and the
// modified state.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "debugger/editing/text_buffer.h"

namespace zelk {
namespace {

using Lines = std::vector<std::u16string>;

TextPos Replace(TextBuffer& b, TextPos from, TextPos to, std::u16string_view text,
                EditKind kind = EditKind::kOther) {
  return b.Replace(from, to, text, kind, {from, to});
}

TEST(TextBuffer, ReplacesAcrossLinesAndReportsTheLines) {
  TextBuffer b;
  b.Reset({u"one", u"two", u"three"});
  std::vector<LineChange> changes;
  b.OnChange([&](const LineChange& c) { changes.push_back(c); });

  EXPECT_EQ((TextPos{3, 0}), Replace(b, {0, 1}, {1, 2}, u"X\r\nY\rZ\n"));
  EXPECT_EQ((Lines{u"oX", u"Y", u"Z", u"o", u"three"}), b.Lines());
  ASSERT_EQ(1u, changes.size());
  EXPECT_EQ(0, changes[0].firstLine);
  EXPECT_EQ(1, changes[0].oldLastLine);
  EXPECT_EQ(3, changes[0].newLastLine);
  EXPECT_EQ(1, changes[0].startColumn);
  EXPECT_EQ(2, changes[0].endColumn);
  EXPECT_EQ(3, changes[0].oldFirstLength);

  EXPECT_EQ(u"X\r\nY\r\nZ", b.Text({0, 1}, {2, 1}));
  EXPECT_EQ(b.Text({0, 1}, {2, 1}), b.Text({2, 1}, {0, 1})) << "either order";
  EXPECT_EQ(4, b.Offset({1, 0}));
  EXPECT_EQ((TextPos{1, 0}), b.PosAtOffset(4));
  EXPECT_EQ((TextPos{1, 0}), b.PosAtOffset(3)) << "inside CR LF";
  EXPECT_EQ(b.End(), b.PosAtOffset(1000));

  b.Reset({});
  EXPECT_EQ(1, b.LineCount());
  EXPECT_FALSE(b.CanUndo());
}

TEST(TextBuffer, TypingBackspaceAndDeleteEachUndoAsOneStep) {
  TextBuffer b;
  b.Reset({u"ab"});
  TextPos p{0, 1};
  for (char16_t c : std::u16string(u"xyz")) p = b.Replace(p, p, {&c, 1}, EditKind::kTyping, {p, p});
  EXPECT_EQ(u"axyzb", b.Line(0));
  b.EndStep();  // the caret moved
  p = b.Replace({0, 5}, {0, 5}, u"!", EditKind::kTyping, {});
  EXPECT_EQ(u"axyzb!", b.Line(0));
  Selection s;
  ASSERT_TRUE(b.Undo(&s));
  EXPECT_EQ(u"axyzb", b.Line(0));
  ASSERT_TRUE(b.Undo(&s));
  EXPECT_EQ(u"ab", b.Line(0));
  EXPECT_EQ((Selection{{0, 1}, {0, 1}}), s);
  EXPECT_FALSE(b.CanUndo());
  ASSERT_TRUE(b.Redo(&s));
  EXPECT_EQ(u"axyzb", b.Line(0));
  EXPECT_EQ((TextPos{0, 4}), s.caret);

  // Backspaces run backwards, Deletes stay in place; each run is one step.
  b.Reset({u"abcdef"});
  for (int col = 4; col > 1; --col)
    b.Replace({0, col - 1}, {0, col}, u"", EditKind::kBackspace, {});
  EXPECT_EQ(u"aef", b.Line(0));
  b.EndStep();
  for (int i = 0; i < 2; ++i) b.Replace({0, 1}, {0, 2}, u"", EditKind::kDelete, {});
  EXPECT_EQ(u"a", b.Line(0));
  b.Undo(nullptr);
  EXPECT_EQ(u"aef", b.Line(0));
  b.Undo(nullptr);
  EXPECT_EQ(u"abcdef", b.Line(0));
}

TEST(TextBuffer, AnEditAfterUndoDropsTheRedoSteps) {
  TextBuffer b;
  b.Reset({u""});
  Replace(b, {0, 0}, {0, 0}, u"a");
  Replace(b, {0, 1}, {0, 1}, u"b");
  b.Undo(nullptr);
  Replace(b, {0, 1}, {0, 1}, u"c");
  EXPECT_FALSE(b.CanRedo());
  EXPECT_EQ(u"ac", b.Line(0));
  // Replacing text with itself changes nothing and records nothing.
  b.Undo(nullptr);
  Replace(b, {0, 0}, {0, 1}, u"a");
  EXPECT_TRUE(b.CanRedo());
}

TEST(TextBuffer, ModifiedUntilTheSavedTextIsBack) {
  TextBuffer b;
  b.Reset({u"x"});
  EXPECT_FALSE(b.IsModified());
  Replace(b, {0, 1}, {0, 1}, u"y", EditKind::kTyping);
  EXPECT_TRUE(b.IsModified());
  b.SetUnmodified();
  Replace(b, {0, 2}, {0, 2}, u"z", EditKind::kTyping);  // a new step after the save
  EXPECT_TRUE(b.IsModified());
  b.Undo(nullptr);
  EXPECT_FALSE(b.IsModified());
  b.Undo(nullptr);
  EXPECT_TRUE(b.IsModified());
  b.Redo(nullptr);
  EXPECT_FALSE(b.IsModified());
  b.SetModified();
  EXPECT_TRUE(b.IsModified());
}

// Random edits against a plain string: the lines always match, undoing all
// gives the start back and redoing all the end.
TEST(TextBuffer, RandomEditsMatchAPlainStringAndUndoExactly) {
  std::mt19937 rng(12);
  const std::u16string alphabet = u"ab \r\n\t\u3042";
  // The model joins lines with '\n' alone.
  auto joined = [](const TextBuffer& b) {
    std::u16string text;
    for (int i = 0; i < b.LineCount(); ++i) text += (i ? u"\n" : u"") + b.Line(i);
    return text;
  };
  auto offset = [](const TextBuffer& b, TextPos p) {
    std::size_t at = 0;
    for (int i = 0; i < p.line; ++i) at += b.Line(i).size() + 1;
    return at + static_cast<std::size_t>(p.column);
  };
  for (int round = 0; round < 20; ++round) {
    TextBuffer b;
    b.Reset({u"start", u"", u"end"});
    std::u16string model = joined(b);
    const std::u16string original = model;
    for (int i = 0; i < 60; ++i) {
      auto randomPos = [&] {
        int line = static_cast<int>(rng() % static_cast<unsigned>(b.LineCount()));
        return TextPos{line, static_cast<int>(rng() % (b.Line(line).size() + 1))};
      };
      TextPos a = randomPos(), c = randomPos();
      if (c < a) std::swap(a, c);
      std::u16string text;
      for (unsigned n = rng() % 4; n > 0; --n) text += alphabet[rng() % alphabet.size()];
      std::u16string normal;
      for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n') continue;
        normal += text[k] == u'\r' ? u'\n' : text[k];
      }
      const std::size_t from = offset(b, a), to = offset(b, c);
      const TextPos end = b.Replace(a, c, text, static_cast<EditKind>(rng() % 4), {a, c});
      model.replace(from, to - from, normal);
      ASSERT_EQ(model, joined(b)) << "round " << round << " edit " << i;
      EXPECT_EQ(from + normal.size(), offset(b, end));
    }
    while (b.Undo(nullptr)) {
    }
    EXPECT_EQ(original, joined(b)) << "round " << round;
    EXPECT_FALSE(b.IsModified());
    while (b.Redo(nullptr)) {
    }
    EXPECT_EQ(model, joined(b)) << "round " << round;
  }
}

}  // namespace
}  // namespace zelk
