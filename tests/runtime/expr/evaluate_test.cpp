#include "runtime/expr/evaluate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "platform/stack.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/tokenizer.h"
#include "runtime/vars/variables.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

std::string Utf8ish(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

class EvaluateTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.records[0].Size(20);
  }
  void TearDown() override {
    SetJapaneseMessages(false);
    InterpreterTest::TearDown();
  }

  // The value of a text that must evaluate without error.
  Value Eval(std::u16string_view text, bool shortCircuit = false) {
    Value v;
    EXPECT_TRUE(Evaluate(text, context(), &v, shortCircuit))
        << Utf8ish(text) << ": " << Utf8ish(context().tryErrMsg);
    return v;
  }
  double Number(std::u16string_view text) {
    Value v = Eval(text);
    EXPECT_TRUE(v.IsDouble()) << Utf8ish(text) << " gave kind " << v.type();
    return v.IsDouble() ? v.AsDouble() : -1;
  }
  std::u16string Text(std::u16string_view text) {
    Value v = Eval(text);
    EXPECT_TRUE(v.IsString()) << Utf8ish(text) << " gave kind " << v.type();
    return v.Text();
  }
  bool Truth(std::u16string_view text, bool shortCircuit = false) {
    Value v = Eval(text, shortCircuit);
    EXPECT_TRUE(v.IsBoolean()) << Utf8ish(text) << " gave kind " << v.type();
    return v.IsBoolean() && v.AsBoolean();
  }
  // The message of a text that must fail; the error state is cleared again.
  std::u16string Failure(std::u16string_view text, bool shortCircuit = false) {
    Value v;
    context().tryErrMsg.clear();
    EXPECT_FALSE(Evaluate(text, context(), &v, shortCircuit)) << Utf8ish(text);
    EXPECT_EQ(kVtByte, v.type());
    EXPECT_EQ(0, v.AsInt());
    interp.run.errorFlag = 0;
    return context().tryErrMsg;
  }
  void Set(std::u16string_view name, const Value& v) { SetValue(context(), name, v); }
  THensuFmt& context() { return interp.global; }
};

const std::u16string kTypeError = u"a type isn't correct. or overflow.";

TEST_F(EvaluateTest, ResultsAreRoundedAndExpandedOnlyAtTheEnd) {
  EXPECT_EQ(0.3, Number(u"0.1 + 0.2"));
  EXPECT_EQ(1, Number(u"1 / 3 * 3"));  // no rounding between operations
  EXPECT_EQ(u"a\"b\tc\r\n", Text(u"\"a<#DBL>b<#TAB>c<#CR>\""));
  EXPECT_TRUE(Eval(u"").IsEmpty());
  EXPECT_TRUE(Eval(u"   ").IsEmpty());
  interp.options.roundValue = true;
  EXPECT_EQ(0.1 + 0.2, Number(u"0.1 + 0.2"));
  interp.options.specialChar = true;
  EXPECT_EQ(u"a<#DBL>", Text(u"\"a<#DBL>\""));
}

TEST_F(EvaluateTest, SignsOperandsAndMalformedExpressions) {
  Set(u"X", Value::Double(5));
  EXPECT_EQ(-5, Number(u"-X"));
  EXPECT_EQ(-4, Number(u"-X + 1"));
  EXPECT_EQ(kTypeError, Failure(u"-(1)"));
  EXPECT_EQ(kTypeError, Failure(u"+(1)"));
  EXPECT_EQ(kTypeError, Failure(u"-F(1)"));
  for (std::u16string_view bad :
       {u"1 +", u"(1", u"1)", u"1 2", u"\"abc", u"F(1", u",", u"1E5", u"1 , 2", u"()", u"* 2",
        u"1 = = 2", u"AND", u"!", u"- -1", u"X[0] X"}) {
    EXPECT_FALSE(Failure(bad).empty()) << Utf8ish(bad);
  }
}

TEST_F(EvaluateTest, MessagesFollowTheLanguageAndThePhase) {
  SetJapaneseMessages(true);
  EXPECT_EQ(u"型が合っていない or オーバーフロー", Failure(u"1 +"));
  interp.run.checkPhase = true;
  EXPECT_EQ(u"式がおかしい or 型が合っていない", Failure(u"1 +"));
  SetJapaneseMessages(false);
  EXPECT_EQ(u"expression is wrong. or a type isn't correct.", Failure(u"1 +"));
  ASSERT_FALSE(host.errors.empty());
  EXPECT_EQ(0u, host.errors.back().find(u"expression is wrong."));
}

TEST_F(EvaluateTest, ShortCircuitSkipsTheRestOnlyWhenAllowed) {
  interp.options.shortCircuit = true;
  EXPECT_FALSE(Truth(u"0 AND UNDEFINED_NAME", true));
  EXPECT_TRUE(Truth(u"1 OR UNDEFINED_NAME", true));
  EXPECT_TRUE(Truth(u"1 = 1 OR UNDEFINED_NAME = 2", true));
  // A top-level OR anywhere: every AND operand is evaluated.
  EXPECT_FALSE(Failure(u"0 AND UNDEFINED_NAME OR 1", true).empty());
  // Not inside parentheses, and not without the permission.
  EXPECT_FALSE(Failure(u"(0 AND UNDEFINED_NAME)", true).empty());
  EXPECT_FALSE(Failure(u"0 AND UNDEFINED_NAME").empty());
  // A malformed rest is still an error.
  EXPECT_EQ(kTypeError, Failure(u"0 AND \"open", true));
  interp.options.shortCircuit = false;
  EXPECT_FALSE(Failure(u"0 AND UNDEFINED_NAME", true).empty());
}

TEST_F(EvaluateTest, ALeftOverIndexSelectsFromAnArrayResult) {
  Set(u"A", Value::ArrayOf({Value::Double(10), Value::Double(20)}));
  Set(u"B", Value::ArrayOf({Value::Double(1), Value::ArrayOf({Value::String(u"x")})}));
  Set(u"I", Value::Double(1));
  EXPECT_EQ(20, Number(u"(A)[1]"));
  EXPECT_EQ(20, Number(u"(A)[I]"));
  EXPECT_EQ(20, Number(u"(A)[I + 0.9]"));
  EXPECT_EQ(u"x", Text(u"(B)[1][0]"));
  EXPECT_EQ(u"x", Text(u"(B)[1, 0]"));
  EXPECT_EQ(kTypeError, Failure(u"(A)[2]"));
  EXPECT_EQ(kTypeError, Failure(u"(A)[-1]"));
  EXPECT_EQ(kTypeError, Failure(u"(A)[1] + 1"));
  EXPECT_EQ(kTypeError, Failure(u"(1)[0]"));
  EXPECT_EQ(kTypeError, Failure(u"(A)[\"x\"]"));
  EXPECT_EQ(kTypeError, Failure(u"(A)[0][0][0][0]"));
}

// On a 2 MB stack (as a script thread's): the depths below are beyond it in
// every build, and reaching them stays quick.
constexpr std::size_t kSmallStack = 2 << 20;

TEST_F(EvaluateTest, DeepNestingIsAnErrorNotACrash) {
  const std::u16string kTooDeep = u"The expression is nested too deeply";
  os::RunOnThreadWithStack(kSmallStack, [&] {
    interp.SetMainThread();  // errors are shown by the main thread
    std::u16string deep = std::u16string(50000, u'(') + u"1" + std::u16string(50000, u')');
    EXPECT_EQ(kTooDeep, Failure(deep));
    EXPECT_EQ(kTooDeep, Failure(std::u16string(50000, u'!') + u"1"));
    std::u16string fine = std::u16string(200, u'(') + u"1" + std::u16string(200, u')');
    EXPECT_EQ(1, Number(fine));
  });
  std::u16string longSum = u"0";
  for (int i = 0; i < 20000; ++i) longSum += u" + 1";
  EXPECT_EQ(20000, Number(longSum));
}

TEST_F(EvaluateTest, DeeplyNestedIndexesAreAnErrorNotACrash) {
  DeclareLocal(context(), u"B[1]");
  Set(u"B[0]", Value::Double(0));
  auto nested = [](int depth) {
    std::u16string t;
    for (int i = 0; i < depth; ++i) t += u"B[";
    t += u"0";
    for (int i = 0; i < depth; ++i) t += u"]";
    return t;
  };
  os::RunOnThreadWithStack(kSmallStack, [&] {
    interp.SetMainThread();  // errors are shown by the main thread
    EXPECT_EQ(0, Number(nested(50)));
    EXPECT_EQ(u"The expression is nested too deeply", Failure(nested(20000)));
  });
}

TEST_F(EvaluateTest, ArbitraryTextNeverCrashes) {
  // Reports are skipped while aborting, so that thousands of errors stay fast.
  interp.run.abortLevel = 1;
  interp.options.shortCircuit = true;
  static const char16_t kPieces[][8] = {
      u"(",  u")",     u"\"",   u"\"\"",  u"[",    u"]",   u"1",   u"2.5",  u"$F",
      u"E+", u"+",     u"-",    u"*",     u"/",    u"=",   u"<",   u">",    u"!",
      u",",  u" ",     u"AND",  u" OR ",  u"XOR",  u"MOD", u"X",   u"A",    u".",
      u"F(", u"EMPTY", u"NULL", u"<#CR>", u"\x01", u"0",   u"[1]", u"MOD.X"};
  Set(u"X", Value::Double(3));
  Set(u"A", Value::ArrayOf({Value::Double(1), Value::Double(2)}));
  std::mt19937 random(12345);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) text += kPieces[random() % std::size(kPieces)];
    Value v;
    Evaluate(text, context(), &v, random() % 2 == 0);
    interp.run.errorFlag = 0;
  }
}

TEST_F(EvaluateTest, AnErrorAlreadyShownStopsEvaluation) {
  interp.run.errorFlag = 1;
  Value v;
  EXPECT_FALSE(Evaluate(u"1 + 1", context(), &v));
  EXPECT_EQ(kVtByte, v.type());
  interp.run.errorFlag = 0;
  // A failed name read ends the evaluation silently: its report is the only one.
  host.errors.clear();
  EXPECT_FALSE(Evaluate(u"UNDEFINED_NAME + 1", context(), &v));
  ASSERT_EQ(1u, host.errors.size());
  EXPECT_NE(std::u16string::npos, host.errors[0].find(u"UNDEFINED_NAME"));
  interp.run.errorFlag = 0;
}

TEST(ExpandSpecialCharsTest, UnderscoreFormsAlwaysPlainFormsUnlessSpecialChar) {
  ScriptOptions o;
  EXPECT_EQ(u"\"\r\n\t|\"\r\n\t", ExpandSpecialChars(u"<#_DBL><#_CR><#_TAB>|<#DBL><#CR><#TAB>", o));
  EXPECT_EQ(u"<#x <#<\"#", ExpandSpecialChars(u"<#x <#<<#DBL>#", o));
  EXPECT_EQ(u"<#cr>", ExpandSpecialChars(u"<#cr>", o));
  o.specialChar = true;
  EXPECT_EQ(u"\"\r\n\t|<#DBL><#CR><#TAB>",
            ExpandSpecialChars(u"<#_DBL><#_CR><#_TAB>|<#DBL><#CR><#TAB>", o));
}

// Rows of a body: the context stands on row 3 of a table of 20.
class TokenCacheTest : public EvaluateTest {
 protected:
  void SetUp() override {
    EvaluateTest::SetUp();
    row.baseIndex = 1;
    row.curOffset = 2;
  }
  std::unique_ptr<TokenList>& Slot() { return interp.records[0].tokens[3]; }
  Value EvalRow(std::u16string_view text, bool shortCircuit = false) {
    Value v;
    EXPECT_TRUE(Evaluate(text, row, &v, shortCircuit)) << Utf8ish(row.tryErrMsg);
    return v;
  }
  THensuFmt row{interp, true};
};

TEST_F(TokenCacheTest, ExpressionsAreRecordedFromTheRowsSecondEvaluationAndReplayed) {
  // A row that runs once keeps nothing: a large script would keep a list
  // for every row.
  EXPECT_EQ(3, EvalRow(u"1 + 2").AsDouble());
  EXPECT_FALSE(Slot());
  EXPECT_EQ(3, EvalRow(u"1 + 2").AsDouble());
  ASSERT_TRUE(Slot());
  EXPECT_TRUE(Slot()->complete);
  EXPECT_EQ(u"1 + 2", Slot()->expression);
  ASSERT_EQ(3u, Slot()->tokens.size());
  EXPECT_EQ(kTokPlus, Slot()->tokens[1].kind);
  // Replay reads the cached values: a changed cache shows that it is used.
  Slot()->tokens[2].value = Value::Double(40);
  EXPECT_EQ(41, EvalRow(u"1 + 2").AsDouble());
  // Another expression of the same statement (a call's argument) gets a list
  // of its own after the first.
  EXPECT_EQ(7, EvalRow(u"3 + 4").AsDouble());
  EXPECT_EQ(u"1 + 2", Slot()->expression);
  ASSERT_TRUE(Slot()->next);
  EXPECT_EQ(u"3 + 4", Slot()->next->expression);
  EXPECT_EQ(41, EvalRow(u"1 + 2").AsDouble());
  // Literals replay as they were read, quotes and all.
  interp.records[0].tokens[3].reset();
  EXPECT_EQ(u"a\"b", EvalRow(u"\"a\"\" + \"b\"").Text());
  EXPECT_EQ(u"a\"b", EvalRow(u"\"a\"\" + \"b\"").Text());
}

TEST_F(TokenCacheTest, TokenTextsBelongToTheListNotToTheEvaluatedText) {
  {
    std::u16string passing = u"\"ab\" + 1 + \"xy\"";
    EXPECT_EQ(u"ab1xy", EvalRow(passing).Text());
    EXPECT_EQ(u"ab1xy", EvalRow(passing).Text());
    ASSERT_TRUE(Slot());
    EXPECT_NE(passing.data(), Slot()->expression.data());
    passing.assign(passing.size(), u'#');
  }
  EXPECT_EQ(u"ab1xy", EvalRow(u"\"ab\" + 1 + \"xy\"").Text());
  ASSERT_TRUE(Slot());
  // A script thread starts with copies of its starter's lists.
  TokenList copy = *Slot();
  Slot().reset();
  ASSERT_EQ(5u, copy.tokens.size());
  EXPECT_EQ(u"ab", copy.TextOf(copy.tokens[0]));
  EXPECT_EQ(u"1", copy.TextOf(copy.tokens[2]));
  EXPECT_EQ(u"xy", copy.TextOf(copy.tokens[4]));
}

TEST_F(TokenCacheTest, ARowsOwnTextIsViewedNotCopied) {
  interp.table.StmtTexts.assign(20, u"");
  interp.table.StmtTexts[3] = u"T = \"some text\" + 12345";
  const std::u16string_view rowText = interp.table.StmtTexts[3];
  const std::u16string_view expression = rowText.substr(4);
  EXPECT_EQ(u"some text12345", EvalRow(expression).Text());
  EXPECT_EQ(u"some text12345", EvalRow(expression).Text());
  ASSERT_TRUE(Slot());
  EXPECT_EQ(expression.data(), Slot()->expression.data());
  EXPECT_EQ(u"some text", Slot()->TextOf(Slot()->tokens[0]));
  // A script thread's copy views the same row.
  TokenList copy = *Slot();
  EXPECT_EQ(expression.data(), copy.expression.data());
  // Part of the row, as a call's argument is: viewed too. Another text: copied.
  EXPECT_EQ(12345, EvalRow(rowText.substr(rowText.size() - 5)).AsDouble());
  ASSERT_TRUE(Slot()->next);
  EXPECT_EQ(rowText.data() + rowText.size() - 5, Slot()->next->expression.data());
  const std::u16string other = u"1 + 1";
  EXPECT_EQ(2, EvalRow(other).AsDouble());
  ASSERT_TRUE(Slot()->next->next);
  EXPECT_NE(other.data(), Slot()->next->next->expression.data());
  EXPECT_EQ(u"1 + 1", Slot()->next->next->expression);
}

TEST_F(TokenCacheTest, NoCacheOnTheHeaderRowOrOutsideTheTable) {
  row.curOffset = 0;
  row.baseIndex = 3;
  EvalRow(u"1 + 2");
  EXPECT_FALSE(Slot());
  row.baseIndex = 100;
  row.curOffset = 1;
  EXPECT_EQ(3, EvalRow(u"1 + 2").AsDouble());
}

TEST_F(TokenCacheTest, OnlyTextsTheTokenizerTakesAreKept) {
  Value v;
  EXPECT_FALSE(Evaluate(u"1 + \"open", row, &v));
  interp.run.errorFlag = 0;
  EXPECT_FALSE(Slot());
  // A failing evaluation of a well-formed text keeps its tokens.
  EXPECT_FALSE(Evaluate(u"UNDEFINED_NAME + 1", row, &v));
  interp.run.errorFlag = 0;
  ASSERT_TRUE(Slot());
  EXPECT_EQ(3u, Slot()->tokens.size());
  Slot().reset();
  interp.options.shortCircuit = true;
  EXPECT_FALSE(EvalRow(u"0 AND UNDEFINED_NAME = 2", true).AsBoolean());
  ASSERT_TRUE(Slot());
  EXPECT_EQ(5u, Slot()->tokens.size());
  EXPECT_FALSE(EvalRow(u"0 AND UNDEFINED_NAME = 2", true).AsBoolean());
}

TEST_F(TokenCacheTest, ARowKeepsAFewExpressions) {
  for (int i = 0; i < kTokenListsPerRow + 2; ++i) {
    std::u16string text = u"1 + " + std::u16string(1, static_cast<char16_t>(u'0' + i));
    EXPECT_EQ(1 + i, EvalRow(text).AsDouble());
    EXPECT_EQ(1 + i, EvalRow(text).AsDouble());
  }
  int kept = 0;
  for (const TokenList* list = Slot().get(); list != nullptr; list = list->next.get()) ++kept;
  EXPECT_EQ(kTokenListsPerRow, kept);
}

class CheckPhaseTest : public EvaluateTest {
 protected:
  void SetUp() override {
    EvaluateTest::SetUp();
    interp.run.checkPhase = true;
    interp.definitions.moduleNames.Add(u"MODA");
    names.clear();
    calls.clear();
    members.clear();
    CheckPhaseTests tests;
    tests.name = [](std::u16string_view name, THensuFmt& context) {
      names.emplace_back(name);
      if (name == u"LEAVE") context.curOffset += 5;  // as a TRY taking an error would
      return Value::Int(1, kVtByte);
    };
    tests.call = [](std::u16string_view text, THensuFmt&) { calls.emplace_back(text); };
    tests.comMember = [](std::u16string_view text, THensuFmt&) { members.emplace_back(text); };
    interp.run.checkPhaseTests = tests;
  }
  static inline std::vector<std::u16string> names, calls, members;
};

TEST_F(CheckPhaseTest, NamesCallsAndMembersGoToTheChecks) {
  EXPECT_EQ(4, Number(u"X + F(1, G(2)) + OBJ.PROP + MODA.Y"));
  EXPECT_EQ((std::vector<std::u16string>{u"X", u"MODA.Y"}), names);
  EXPECT_EQ((std::vector<std::u16string>{u"F(1, G(2))"}), calls);
  EXPECT_EQ((std::vector<std::u16string>{u"OBJ.PROP"}), members);
  EXPECT_EQ(0, Number(u"X MOD 0"));
  // A call result may be indexed; the check has no array to look into.
  names.clear();
  EXPECT_EQ(1, Eval(u"F(1)[I + 1]").AsInt());
  EXPECT_EQ(std::vector<std::u16string>{u"I"}, names);
  // Every part of a condition is checked, short-circuit or not.
  interp.options.shortCircuit = true;
  names.clear();
  Eval(u"0 AND Y", true);
  EXPECT_EQ(std::vector<std::u16string>{u"Y"}, names);
}

TEST_F(CheckPhaseTest, AStatementLeftDuringEvaluationFailsSilently) {
  Value v;
  host.errors.clear();
  EXPECT_FALSE(Evaluate(u"1 + LEAVE", context(), &v));
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(kVtByte, v.type());
}

}  // namespace
}  // namespace zelk
