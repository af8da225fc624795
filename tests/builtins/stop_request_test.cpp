// Long built-ins give up when the run is being stopped, and leave the
// caller's arrays as they were.
#include <gtest/gtest.h>

#include <string>

#include "builtins/arrays/array_functions.h"
#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "builtins/strings/string_functions.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

constexpr int kLarge = 200000;

class StopRequestTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
  }
  void TearDown() override {
    interp.run.abortLevel = 0;
    InterpreterTest::TearDown();
  }

  // Runs a branch as the dispatcher would, with texts as evaluated arguments.
  Value Run(BuiltinBranch branch, std::u16string_view name,
            std::initializer_list<std::u16string> texts, bool* failed) {
    args = BuiltinArgs{};
    for (const std::u16string& text : texts) {
      const std::size_t p = static_cast<std::size_t>(args.count++);
      args.text[p] = text;
      args.value[std::min<std::size_t>(p, 1)] = Value::String(text);
      if (!text.empty() && text.find_first_not_of(u"-0123456789") == text.npos) {
        args.numeric[p] = true;
        args.whole[p] = std::stoll(std::string(text.begin(), text.end()));
        args.real[p] = static_cast<double>(args.whole[p]);
      }
    }
    Value result = Value::String(u"");
    BuiltinCall call{FindBuiltin(name), name, u"", args, result, interp.global};
    branch(call);
    *failed = call.failed;
    return result;
  }

  void FillArrays(int count) {
    THensuFmt& global = interp.global;
    ASSERT_TRUE(CreateVariable(global, global.vars, u"A[" + Number(count - 1) + u"]"));
    ASSERT_TRUE(CreateVariable(global, global.vars, u"B[" + Number(count - 1) + u"]"));
    for (int i = 0; i < count; ++i) {
      SetValue(global, u"A[" + Number(i) + u"]", Value::Int(count - i));
      SetValue(global, u"B[" + Number(i) + u"]", Value::Int(i));
    }
  }
  bool ArraysAsFilled(int count) {
    for (int i = 0; i < count; ++i) {
      if (GetValue(interp.global, u"A[" + Number(i) + u"]").Text() != Number(count - i) ||
          GetValue(interp.global, u"B[" + Number(i) + u"]").Text() != Number(i)) {
        return false;
      }
    }
    return true;
  }
  static std::u16string Number(int n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  }

  BuiltinArgs args;
};

TEST_F(StopRequestTest, LongBuiltinsGiveUpWithANeutralResult) {
  std::u16string pieces;
  for (int i = 0; i < kLarge; ++i) pieces += u"a,";
  const std::u16string plain(static_cast<std::size_t>(kLarge) * 2, u'a');
  interp.run.abortLevel = 1;
  bool failed = false;

  Value split = Run(arrays::Split, u"SPLIT", {pieces, u","}, &failed);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(split.IsArray());
  EXPECT_EQ(u"", split.Text());

  Value replaced = Run(BuiltinReplace, u"REPLACE", {pieces, u"a", u"bb"}, &failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(u"", replaced.Text());

  Value position = Run(BuiltinPos, u"POS", {u"b", plain}, &failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(u"", position.Text());
}

TEST_F(StopRequestTest, StoppedSortLeavesArrayAndCompanionUnchanged) {
  FillArrays(kLarge / 2);
  bool failed = false;
  interp.run.abortLevel = 1;
  Run(arrays::QSort, u"QSORT", {u"A", u"0", u"B"}, &failed);
  EXPECT_TRUE(failed);
  interp.run.abortLevel = 0;
  EXPECT_TRUE(host.errors.empty());
  EXPECT_TRUE(ArraysAsFilled(kLarge / 2));

  // Not stopped: the same call sorts both.
  Run(arrays::QSort, u"QSORT", {u"A", u"0", u"B"}, &failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(u"1", GetValue(interp.global, u"A[0]").Text());
  EXPECT_EQ(Number(kLarge / 2 - 1), GetValue(interp.global, u"B[0]").Text());
  EXPECT_EQ(Number(kLarge / 2),
            GetValue(interp.global, u"A[" + Number(kLarge / 2 - 1) + u"]").Text());
}

TEST_F(StopRequestTest, SearchesInSlicesFindWhatAWholeSearchFinds) {
  // Matches straddling the slice edges, and a needle longer than the rest.
  const std::size_t slice = StopPoll::kStopPollSteps;
  std::u16string hay(slice * 3, u'.');
  for (std::size_t at : {slice - 2, slice - 1, 2 * slice - 3, 3 * slice - 3}) {
    hay.replace(at, 3, u"xyz");
  }
  std::atomic<int> notStopping{0};
  StopPoll poll(notStopping);
  for (std::u16string_view needle : {u"xyz", u"x", u"z.", u"yz.", u".", u"nothing"}) {
    for (std::size_t from = 0; from < hay.size(); from += from < 8 ? 1 : slice / 3 + 1) {
      EXPECT_EQ(hay.find(needle, from), poll.Find(hay, needle, from)) << from;
    }
    EXPECT_EQ(hay.npos, poll.Find(hay, needle, hay.size() + 5));
  }
  EXPECT_FALSE(poll.stopped());

  // Case mapping in slices, with a surrogate pair across a slice edge.
  std::u16string mixed(slice * 2, u'a');
  mixed.replace(slice - 1, 2, u"\U00010428");
  mixed.replace(slice + 5, 3, u"b\u00E9z");
  const MatchRule rule{false, false};
  EXPECT_EQ(ForMatch(mixed, rule), ForMatch(mixed, rule, &poll));
  EXPECT_FALSE(poll.stopped());

  // Not stopped, the built-ins see the whole text.
  bool failed = false;
  const std::size_t first = hay.find(u"xyz");
  const std::size_t third = hay.find(u"xyz", hay.find(u"xyz", first + 1) + 1);
  ASSERT_NE(hay.npos, third);
  EXPECT_EQ(Number(static_cast<int>(first) + 1),
            Run(BuiltinPos, u"POS", {u"xyz", hay}, &failed).Text());
  EXPECT_EQ(Number(static_cast<int>(third) + 1),
            Run(BuiltinPos, u"POS", {u"xyz", hay, u"3"}, &failed).Text());
  std::u16string replaced = Run(BuiltinReplace, u"REPLACE", {hay, u"xyz", u"#"}, &failed).Text();
  EXPECT_EQ(hay.size() - 3 * 2, replaced.size());
  Value split = Run(arrays::Split, u"SPLIT", {hay, u"xyz"}, &failed);
  EXPECT_FALSE(failed);
  ASSERT_TRUE(split.IsArray());
}

TEST_F(StopRequestTest, SearchesGetLongTextsWithoutACopy) {
  // A copy of a long argument would hold a stop up before the search begins.
  std::u16string hay(static_cast<std::size_t>(kLarge) * 5, u'a');
  hay += u"XyZ";
  THensuFmt& global = interp.global;
  SetValue(global, u"S", Value::String(hay));
  const Value stored = GetValue(global, u"S");
  const std::u16string& held = stored.AsString();

  for (std::u16string_view call : {u"\"xyz\", S", u"S, \"xyz\", S"}) {
    const bool pos = call.starts_with(u"\"");
    BuiltinArgs viewed;
    ASSERT_TRUE(
        EvaluateBuiltinArguments(FindBuiltin(pos ? u"POS" : u"REPLACE"), call, viewed, global));
    const int at = pos ? 1 : 0;
    EXPECT_EQ(held.data(), viewed.Text(at).data());
    EXPECT_TRUE(viewed.text[static_cast<std::size_t>(at)].empty());
    EXPECT_FALSE(viewed.numeric[static_cast<std::size_t>(at)]);
  }
  // Numbers among them are numbers still; other built-ins get their copies.
  BuiltinArgs numbers;
  ASSERT_TRUE(
      EvaluateBuiltinArguments(FindBuiltin(u"POS"), u"\"12\", \"x12\", -1", numbers, global));
  EXPECT_TRUE(numbers.numeric[0]);
  EXPECT_EQ(12, numbers.whole[0]);
  EXPECT_EQ(u"x12", numbers.Text(1));
  EXPECT_EQ(-1, numbers.whole[2]);
  BuiltinArgs copied;
  ASSERT_TRUE(EvaluateBuiltinArguments(FindBuiltin(u"TRIM"), u"S", copied, global));
  EXPECT_EQ(hay, copied.text[0]);

  // And the searches find what they found with copies.
  Value result;
  ASSERT_TRUE(Evaluate(u"POS(\"xyz\", S)", global, &result));
  EXPECT_EQ(Number(kLarge * 5 + 1), result.Text());
  ASSERT_TRUE(Evaluate(u"POS(\"xyz\", S, -1)", global, &result));
  EXPECT_EQ(Number(kLarge * 5 + 1), result.Text());
  ASSERT_TRUE(Evaluate(u"LENGTH(REPLACE(S, \"A\", \"bc\"))", global, &result));
  EXPECT_EQ(Number(kLarge * 10 + 3), result.Text());
  ASSERT_TRUE(Evaluate(u"REPLACE(\"a1a\", 1, S)", global, &result));
  EXPECT_EQ(u"a" + hay + u"a", result.AsString());
  EXPECT_TRUE(host.errors.empty());
}

}  // namespace
}  // namespace zelk
