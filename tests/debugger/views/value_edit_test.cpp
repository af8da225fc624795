// Changing a variable by hand: the box's text, the kind label and the value a
// typed text stands for.
#include "debugger/views/value_edit.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/messages.h"

namespace zelk {
namespace {

// Answers every question with answer and records the questions asked.
struct Asker {
  int answer = 0;
  std::vector<KindQuestion> asked;
  AskKind Fn() {
    return [this](const KindQuestion& q) {
      asked.push_back(q);
      return answer;
    };
  }
};

class ValueEdit : public ::testing::Test {
 protected:
  void SetUp() override { SetJapaneseMessages(false); }
  void TearDown() override { SetJapaneseMessages(false); }
};

TEST_F(ValueEdit, ControlCharactersRoundTripThroughTheBox) {
  bool escaped = true;
  EXPECT_EQ(EscapeForEdit(u"plain <#CR> text", &escaped), u"plain <#CR> text");
  EXPECT_FALSE(escaped);

  // A lone CR and a NUL are no longer on one line: they become numbers.
  const std::u16string raw = std::u16string(u"a\rb") + char16_t(0) + u"c\x1F";
  const std::u16string boxed = EscapeForEdit(raw, &escaped);
  EXPECT_EQ(boxed, u"a<#13>b<#0>c<#31>");
  EXPECT_TRUE(escaped);
  Asker asker;
  const Value back = EditedValue(boxed, kVtUString, escaped, asker.Fn());
  ASSERT_TRUE(back.IsWideString());
  EXPECT_EQ(back.AsString(), raw);
  EXPECT_TRUE(asker.asked.empty());
}

TEST_F(ValueEdit, DisplayEscapesComeBackAsLineBreaksAndTabs) {
  Asker asker;
  // The grid shows CR LF as <#CR> and TAB as <#TAB>; OK unchanged restores them.
  Value v = EditedValue(u"one<#CR>two<#TAB>three", kVtUString, false, asker.Fn());
  EXPECT_EQ(v.AsString(), u"one\r\ntwo\tthree");
  // Without escapes made by the box, "<#13>" is text the user typed.
  v = EditedValue(u"x<#13>y", kVtUString, false, asker.Fn());
  EXPECT_EQ(v.AsString(), u"x<#13>y");
  // Out-of-range and unfinished escapes stay as they are.
  v = EditedValue(u"<#32><#1<#", kVtUString, true, asker.Fn());
  EXPECT_EQ(v.AsString(), u"<#32><#1<#");
}

TEST_F(ValueEdit, NumbersKeepTheVariablesSide) {
  Asker asker;
  Value v = EditedValue(u"123", kVtInteger, false, asker.Fn());
  ASSERT_TRUE(v.IsDouble());
  EXPECT_EQ(v.AsDouble(), 123.0);
  v = EditedValue(u"-1.5E3", kVtShortInt, false, asker.Fn());
  EXPECT_EQ(v.AsDouble(), -1500.0);
  // A string, a Boolean or an Empty variable gets the digits as text.
  for (int kind : {int(kVtUString), int(kVtBoolean), int(kVtEmpty), int(kVtCurrency)}) {
    v = EditedValue(u"123", kind, false, asker.Fn());
    ASSERT_TRUE(v.IsNarrowString()) << kind;
    EXPECT_EQ(v.AsString(), u"123");
  }
  // Blanks around digits make it text: the box's text is taken as typed.
  v = EditedValue(u" 7", kVtInteger, false, asker.Fn());
  EXPECT_TRUE(v.IsWideString());
  EXPECT_TRUE(asker.asked.empty());
}

TEST_F(ValueEdit, SpecialWordsAskWhatIsMeant) {
  Asker asker;
  asker.answer = 0;
  Value v = EditedValue(u"null", kVtUString, false, asker.Fn());
  ASSERT_TRUE(v.IsWideString());
  EXPECT_EQ(v.AsString(), u"null");
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].prompt, u"Choose the type");
  EXPECT_EQ(asker.asked[0].textChoice, u"STRING type");
  EXPECT_EQ(asker.asked[0].valueChoice, u"NULL type");

  asker.answer = 1;
  EXPECT_TRUE(EditedValue(u"Null", kVtUString, false, asker.Fn()).IsNull());
  EXPECT_TRUE(EditedValue(u"EMPTY", kVtUString, false, asker.Fn()).IsEmpty());
  EXPECT_TRUE(EditedValue(u"nothing", kVtDispatch, false, asker.Fn()).IsNothing());
  v = EditedValue(u"true", kVtUString, false, asker.Fn());
  ASSERT_TRUE(v.IsBoolean());
  EXPECT_TRUE(v.AsBoolean());
  EXPECT_EQ(asker.asked.back().valueChoice, u"Boolean type");
  v = EditedValue(u"False", kVtBoolean, false, asker.Fn());
  EXPECT_FALSE(v.AsBoolean());

  // No answer (the box closed): the text stays text.
  asker.answer = -1;
  v = EditedValue(u"TRUE", kVtBoolean, false, asker.Fn());
  ASSERT_TRUE(v.IsWideString());
  EXPECT_EQ(v.AsString(), u"TRUE");
}

TEST_F(ValueEdit, JapaneseQuestionsAndLabels) {
  SetJapaneseMessages(true);
  Asker asker;
  EditedValue(u"empty", kVtUString, false, asker.Fn());
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].prompt, u"型指定");
  EXPECT_EQ(asker.asked[0].textChoice, u"文字型");
  EXPECT_EQ(asker.asked[0].valueChoice, u"EMPTY型");
  EXPECT_EQ(KindDescription(kVtInteger, u"1"), u"数値");
  EXPECT_EQ(KindDescription(kVtShortInt, u"1"), u"バイト型(符号付)");
  EXPECT_EQ(KindDescription(kVtDispatch, u"1234"), u"ポインター");
}

TEST_F(ValueEdit, KindLabels) {
  EXPECT_EQ(KindDescription(kVtEmpty, u""), u"EMPTY");
  EXPECT_EQ(KindDescription(kVtInt64, u"1"), u"NUMERICAL");
  EXPECT_EQ(KindDescription(kVtNarrowStr, u"a"), u"STRING type");
  EXPECT_EQ(KindDescription(72, u"a"), u"STRING type");
  EXPECT_EQ(KindDescription(kVtDispatch, u"NOTHING"), u"NOTHING");
  EXPECT_EQ(KindDescription(kVtDispatch, u"4096"), u"POINTER");
  EXPECT_EQ(KindDescription(kVtByte, u"1"), u"Unsigned BYTE type");
  EXPECT_EQ(KindDescription(kVtUInt64, u"1"), u"");
  EXPECT_EQ(KindDescription(kCompositeKind, u""), u"");
}

TEST_F(ValueEdit, TheBoxGetsTheWholeText) {
  // The grid cuts long texts; the box must not, or OK would shorten them.
  const std::u16string longText(3000, u'x');
  EXPECT_EQ(EditText(Value::String(longText)), longText);
  EXPECT_EQ(EditText(Value::String(u"a\r\nb\tc")), u"a<#CR>b<#TAB>c");
  EXPECT_EQ(EditText(Value::Null()), u"NULL");
  EXPECT_EQ(EditText(Value::Nothing()), u"NOTHING");
  EXPECT_EQ(EditText(Value()), u"");
}

TEST_F(ValueEdit, HintsNameTheKind) {
  VariableRow row;
  row.name = u"LIST[]";
  row.value = u"1, 2";
  EXPECT_EQ(VariableHint(row), u"LIST[]\r1, 2\rArray of ");
  row.kind = kVtInteger;
  row.name = u"A";
  row.value = u"5";
  EXPECT_EQ(VariableHint(row), u"A\r5\rInteger");
}

}  // namespace
}  // namespace zelk
