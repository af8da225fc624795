// What the dialog built-ins prepare and hand back, on every platform: the
// addresses found in a message, the pop-up menu's tree, the selection box's
// list and its answers as the script receives them.
#include <gtest/gtest.h>

#include "builtins/dialogs/dialog_texts.h"

namespace zelk::dialogs {
namespace {

std::u16string Cut(const std::u16string& text, const os::TextSpan& span) {
  return text.substr(span.start, span.length);
}

TEST(DialogMessage, AddressesEndAtDelimitersAndLineBreaksBecomeCrLf) {
  std::u16string text = u"See http://a.example/x, or\nhttps://b.example/y)\rmail mailto:me@x.jp";
  const auto links = PrepareMessage(&text, true);
  EXPECT_EQ(text, u"See http://a.example/x, or\r\nhttps://b.example/y)\r\nmail mailto:me@x.jp");
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(Cut(text, links[0]), u"http://a.example/x");
  EXPECT_EQ(Cut(text, links[1]), u"https://b.example/y");
  EXPECT_EQ(Cut(text, links[2]), u"mailto:me@x.jp");
  // The same address twice is found twice, each at its own place.
  std::u16string twice = u"http://x http://x";
  const auto both = PrepareMessage(&twice, true);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].start, 0u);
  EXPECT_EQ(both[1].start, 9u);
}

TEST(DialogMessage, WithoutDetectionTextStaysAndOverlongTextIsCut) {
  std::u16string text = u"a\nhttp://x";
  EXPECT_TRUE(PrepareMessage(&text, false).empty());
  EXPECT_EQ(text, u"a\nhttp://x");
  std::u16string longText(kMaxMessageLength + 5, u'x');
  PrepareMessage(&longText, false);
  EXPECT_EQ(longText.size(), kMaxMessageLength + 3);
  EXPECT_EQ(longText.substr(kMaxMessageLength), u"...");
}

std::vector<os::MenuEntry> Menu(std::u16string_view text, bool* ok) {
  std::vector<os::MenuEntry> entries;
  *ok = ParseMenuText(text, ScriptOptions{}, &entries);
  return entries;
}

TEST(DialogMenu, BracesNestSubmenusUnderTheItemBefore) {
  bool ok = false;
  auto e = Menu(u"File\r{New\rOpen}\rExit", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].parent, -1);
  EXPECT_EQ(e[1].caption, u"New");
  EXPECT_EQ(e[1].parent, 0);
  EXPECT_EQ(e[2].caption, u"Open");
  EXPECT_EQ(e[2].parent, 0);
  EXPECT_EQ(e[3].parent, -1);
  // Two levels closed by one piece.
  e = Menu(u"A\r{B\r{C}}\rD", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(e[2].parent, 1);
  EXPECT_EQ(e[3].parent, -1);
  // The first empty piece ends the list; pieces are trimmed.
  e = Menu(u" A \r\rB", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].caption, u"A");
}

TEST(DialogMenu, MalformedTextsAreRefused) {
  bool ok = true;
  Menu(u"{A\rB", &ok);
  EXPECT_FALSE(ok);  // a submenu with no item before it
  Menu(u"A\r{}", &ok);
  EXPECT_FALSE(ok);  // an empty caption
  Menu(u"A}\rB", &ok);
  EXPECT_FALSE(ok);  // a closer at the top level
  Menu(u"A\r{B}}", &ok);
  EXPECT_FALSE(ok);  // more closers than openers, even on the last piece
  std::u16string deep = u"A";
  for (int i = 0; i < 15; ++i) deep += u"\r{A";
  Menu(deep, &ok);
  EXPECT_TRUE(ok);
  Menu(deep + u"\r{A", &ok);
  EXPECT_FALSE(ok);  // sixteen levels
}

TEST(DialogSelection, TwoNumbersFirstArePositionAndEmptyChoicesGo) {
  const SelectionTexts placed =
      ShapeSelection({{u"100"}, {u"200"}, {u"Pick"}, {u"a"}, {u""}, {u"b"}},
                     {false, false, false, false, false, false}, os::kSelectButtons);
  EXPECT_EQ(placed.x, 100);
  EXPECT_EQ(placed.y, 200);
  EXPECT_EQ(placed.message, u"Pick");
  EXPECT_EQ(placed.choices, (std::vector<std::u16string>{u"a", u"b"}));
  // A quoted number is a message, not a position; an empty message stays.
  const SelectionTexts text = ShapeSelection({{u"100"}, {u"200"}, {u"x"}}, {true, false, false}, 0);
  EXPECT_EQ(text.x, os::kNoDialogPosition);
  EXPECT_EQ(text.message, u"100");
  // An array as the first argument gives its elements.
  const SelectionTexts array = ShapeSelection({{u"", u"p", u"q"}}, {false}, 0);
  EXPECT_EQ(array.message, u"");
  EXPECT_EQ(array.choices.size(), 2u);
}

TEST(DialogSelection, AtMost31ChoicesUnlessTextsOrIndexesAreReturned) {
  std::vector<std::vector<std::u16string>> args{{u"m"}};
  for (int i = 0; i < 40; ++i) args.push_back({u"c"});
  std::vector<bool> literal(args.size(), true);
  EXPECT_EQ(ShapeSelection(args, literal, os::kSelectButtons).choices.size(), 31u);
  EXPECT_EQ(ShapeSelection(args, literal, os::kSelectTexts).choices.size(), 40u);
}

TEST(DialogSelection, AnswersAsTheScriptReceivesThem) {
  const std::vector<std::u16string> choices{u"one", u"two", u"three"};
  using A = os::SelectionAnswer;
  const A checked{A::kChosen, {1, 2}};
  EXPECT_EQ(SelectionResult(checked, choices, os::kSelectChecks).AsInt(), 6);
  const Value texts = SelectionResult(checked, choices, os::kSelectChecks | os::kSelectTexts);
  EXPECT_EQ(texts.AsString(), u"two\tthree");
  const Value indexes = SelectionResult(checked, choices, os::kSelectChecks | os::kSelectIndexes);
  EXPECT_EQ(indexes.AsString(), u"1\t2");
  // A single index becomes a number; none stays an empty text.
  const Value one = SelectionResult(A{A::kChosen, {2}}, choices, os::kSelectIndexes);
  EXPECT_FALSE(one.IsString());
  EXPECT_EQ(one.AsInt(), 2);
  const Value none = SelectionResult(A{A::kChosen, {}}, choices, os::kSelectIndexes);
  EXPECT_TRUE(none.IsString());
  EXPECT_EQ(SelectionResult(A{A::kChosen, {}}, choices, os::kSelectChecks).AsInt(), 0);
  // Texts asked for together with indexes stay texts.
  const Value both =
      SelectionResult(A{A::kChosen, {0}}, choices, os::kSelectTexts | os::kSelectIndexes);
  EXPECT_EQ(both.AsString(), u"one");
  // Closed, and timed out.
  EXPECT_EQ(SelectionResult(A{A::kClosed, {}}, choices, os::kSelectTexts).AsInt(), -1);
  EXPECT_EQ(SelectionResult(A{A::kTimedOut, {}}, choices, 0).AsInt(), 0);
  EXPECT_EQ(SelectionResult(A{A::kTimedOut, {}}, choices, os::kSelectTexts).AsString(), u"");
}

TEST(DialogInput, NumberTextsBecomeNarrowStrings) {
  EXPECT_TRUE(InputResult(u"12").IsNarrowString());
  EXPECT_TRUE(InputResult(u"1e5").IsNarrowString());
  EXPECT_TRUE(InputResult(u"abc").IsWideString());
  EXPECT_TRUE(InputResult(u" 12").IsWideString());
  EXPECT_TRUE(InputResult(u"").IsWideString());
}

}  // namespace
}  // namespace zelk::dialogs
