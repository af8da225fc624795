#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "foundation/script_log.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

std::uint64_t Bits(std::initializer_list<int> positions) {
  std::uint64_t mask = 0;
  for (int p : positions) mask |= std::uint64_t{1} << p;
  return mask;
}
std::uint64_t From(int first) {
  std::uint64_t mask = 0;
  for (int p = first; p <= kMaxBuiltinArguments; ++p) mask |= std::uint64_t{1} << p;
  return mask;
}

TEST(BuiltinTable, ColumnsBecomeMasks) {
  EXPECT_EQ(0, FindBuiltin(u"INT"));
  EXPECT_EQ(134, FindBuiltin(u"IEGETFRAME"));
  EXPECT_EQ(-1, FindBuiltin(u"int"));  // script text arrives upper-cased
  EXPECT_EQ(u"QSORT", BuiltinName(kBuiltinQsort));

  const BuiltinShape& clkitem = ShapeOf(FindBuiltin(u"CLKITEM"));  // 2,3e,4+e
  EXPECT_EQ(Bits({1}) | From(2), clkitem.text);
  EXPECT_EQ(From(2), clkitem.emptyOnly);
  const BuiltinShape& qsort = ShapeOf(kBuiltinQsort);  // Max 10, raw 1,3+
  EXPECT_EQ(10, qsort.maximum);
  EXPECT_EQ(Bits({0}) | From(2), qsort.raw);
  const BuiltinShape& ctrlwin = ShapeOf(FindBuiltin(u"CTRLWIN"));
  EXPECT_EQ(0u, ctrlwin.text | ctrlwin.raw);
  EXPECT_EQ(2, ctrlwin.minimum);
  EXPECT_EQ(1, ShapeOf(kBuiltinSleep).maximum);

  EXPECT_TRUE(IsRawArgument(kBuiltinToken, 1));
  EXPECT_FALSE(IsRawArgument(kBuiltinToken, 0));
  EXPECT_EQ(2, MinimumArguments(FindBuiltin(u"COPY")));

  std::uint64_t mask, empty;
  for (const char* bad : {"", "0", "x", "2,", "3e+", "38"}) {
    EXPECT_FALSE(ParsePositionColumn(bad, &mask, &empty)) << bad;
  }
  EXPECT_FALSE(ParsePositionColumn("2e", &mask, nullptr));  // raw positions have no "e"
}

TEST(BuiltinTable, ArgumentsAreCutOutsideLiteralsAndBrackets) {
  std::u16string_view rest = u" F(1, 2) , \"a,b\" ,, A[1, 2] ";
  std::vector<std::u16string_view> cut;
  while (!TrimArgument(rest).empty()) cut.push_back(CutArgument(&rest));
  std::vector<std::u16string_view> want{u"F(1, 2)", u"\"a,b\"", u"", u"A[1, 2]"};
  EXPECT_EQ(want, cut);
}

class BuiltinRunTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
  }
  Value Math(std::u16string_view name, std::u16string_view arguments, bool* failed) {
    return CallMathBuiltin(FindBuiltin(name), arguments, interp.global, failed);
  }
  std::vector<std::int32_t> Bounds(std::u16string_view name) {
    int index = interp.global.vars.names.IndexOf(name);
    if (index < 0) return {-2};
    return interp.global.vars.bounds[static_cast<std::size_t>(index)];
  }
};

TEST_F(BuiltinRunTest, MathResultKinds) {
  bool failed = false;
  Value ceil = Math(u"CEIL", u"1.2", &failed);
  EXPECT_EQ(kVtInteger, ceil.type());
  EXPECT_EQ(2, ceil.AsInt());
  Value zcut = Math(u"ZCUT", u"-0.1", &failed);
  EXPECT_EQ(kVtInteger, zcut.type());
  EXPECT_EQ(0, zcut.AsInt());
  Value round = Math(u"ROUND", u"-0.4", &failed);
  EXPECT_EQ(kVtDouble, round.type());
  EXPECT_FALSE(std::signbit(round.AsDouble()));  // no "-0"
  EXPECT_EQ(u"0.12", Math(u"ROUND", u"0.125, -2", &failed).Text());
  EXPECT_EQ(u"1E20", Math(u"ROUND", u"1E+20, -20", &failed).Text());
  EXPECT_FALSE(failed);
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(BuiltinRunTest, ResultArraysAndTheirTemporaryNames) {
  THensuFmt& global = interp.global;
  ASSERT_TRUE(CreateVariable(global, global.vars, u"GETDIR_FILES[2][3]"));
  ClearResult(u"GETDIR_FILES", global);
  EXPECT_EQ(std::vector<std::int32_t>{-1}, Bounds(u"GETDIR_FILES"));
  EXPECT_EQ(1, AppendResult(u"GETDIR_FILES", Value::String(u"a"), global));
  EXPECT_EQ(2, AppendResult(u"GETDIR_FILES", Value::String(u"b"), global));
  EXPECT_EQ(std::vector<std::int32_t>{1}, Bounds(u"GETDIR_FILES"));
  EXPECT_EQ(u"GETDIR_FILES", global.lastResultArray);

  // Inside a FOR-IN collection: NAME_TMP, and the script's own copy stays.
  global.collectionPending = true;
  ClearResult(u"GETDIR_FILES", global);
  EXPECT_EQ(1, AppendResult(u"GETDIR_FILES", Value::String(u"x"), global));
  EXPECT_EQ(u"GETDIR_FILES_TMP", global.lastResultArray);
  EXPECT_EQ(std::vector<std::int32_t>{0}, Bounds(u"GETDIR_FILES_TMP"));
  EXPECT_EQ(std::vector<std::int32_t>{1}, Bounds(u"GETDIR_FILES"));
  // The image matches keep their names.
  ClearResult(u"ALL_IMG_X", global);
  EXPECT_EQ(u"ALL_IMG_X", global.lastResultArray);
  EXPECT_EQ(std::vector<std::int32_t>{-1}, Bounds(u"ALL_IMG_X"));

  EXPECT_EQ(-1, ThreadSlotOf(global));
  EXPECT_EQ(0, CallerIndex(global));
  THensuFmt inThread(interp, true);
  inThread.recordIndex = 5;  // script thread slot 4
  EXPECT_EQ(4, ThreadSlotOf(inThread));
  EXPECT_EQ(5, CallerIndex(inThread));
}

TEST_F(BuiltinRunTest, PreRunCheckCountsAndTokenVariable) {
  THensuFmt& global = interp.global;
  interp.run.checkPhase = true;
  EXPECT_TRUE(CheckBuiltinCall(FindBuiltin(u"COPY"), u"S, 2", global));
  EXPECT_FALSE(CheckBuiltinCall(FindBuiltin(u"COPY"), u"S, ", global));
  ASSERT_EQ(1u, host.errors.size());
  EXPECT_TRUE(host.errors[0].starts_with(u"Argument is lacking:COPY")) << host.errors[0].size();
  interp.run.errorFlag = 0;
  ASSERT_EQ(u"", DefineConst(interp, u"K = 1"));
  EXPECT_FALSE(CheckBuiltinCall(kBuiltinToken, u"\",\", K", global));
  ASSERT_EQ(2u, host.errors.size());
  EXPECT_TRUE(host.errors[1].starts_with(u"Constant cannot be used:K"));
  interp.run.errorFlag = 0;
  EXPECT_TRUE(CheckBuiltinCall(kBuiltinToken, u"\",\", V", global));
  interp.run.checkPhase = false;
}

}  // namespace
}  // namespace zelk
