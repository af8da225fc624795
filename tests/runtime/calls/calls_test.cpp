#include "runtime/calls/calls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/script_log.h"
#include "frontend/statement_table.h"
#include "platform/com_automation.h"
#include "runtime/control/body_runner.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

// A statement table as preprocessing leaves it, built row by row: the main
// program, then functions registered under their (qualified) names.
class CallsTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.definitions.moduleNames.AddWithValue(u"M", 0);
    interp.definitions.moduleNames.AddWithValue(u"N", 1);
    main = Define(u"__MAIN__", kProcedureKind, u"PROCEDURE __MAIN__()", {u"X = 1"});
    Define(u"F", kFunctionKind, u"FUNCTION F(A, B = A * 2)", {u"RESULT = A + B"});
    Define(u"G", kFunctionKind, u"FUNCTION G()", {u"RESULT = \"global G\""});
    Define(u"M.F", kFunctionKind, u"FUNCTION F(N)", {u"RESULT = \"M.F \" + N"});
    Define(u"M.H", kProcedureKind, u"PROCEDURE H()", {});
    Define(u"N.F", kFunctionKind, u"FUNCTION F()", {u"RESULT = \"N.F\""});
    Define(u"Q", kFunctionKind, u"FUNCTION Q(C, A = \"x,)\", B = (1 + 2) * 2)",
           {u"RESULT = C + A + B"});
    Define(u"SWAP", kProcedureKind, u"PROCEDURE SWAP(VAR P, VAR Q)",
           {u"T = P", u"P = Q", u"Q = T"});
    Define(u"FILL", kProcedureKind, u"PROCEDURE FILL(VAR ARR[], V)",
           {u"ARR[0] = V", u"ARR[1] = V"});
    interp.TakeStatementKinds();
    THensuFmt& global = interp.global;
    global.baseIndex = main;
    global.stmtTexts = std::span<const std::u16string>(interp.table.StmtTexts).subspan(0, 2);
    global.curOffset = 1;  // errors of the main program name its row 1
  }

  int Define(std::u16string_view name, int kind, std::u16string header,
             std::vector<std::u16string> body) {
    int row = Row(std::move(header), kKindStatement);
    for (auto& text : body) Row(std::move(text), kKindStatement);
    Row(u"", kKindFend);
    interp.definitions.functions.Add(name, kind, row);
    return row;
  }
  // A call in an expression of the main program.
  Value Call(std::u16string_view text) {
    bool failed = false;
    return DispatchCall(text, interp.global, CallMode::kCall, &failed);
  }
  int Header(std::u16string_view name) {
    return interp.definitions.functions.HeaderAt(interp.definitions.functions.Find(name));
  }
  std::u16string LastError() const { return host.errors.empty() ? u"" : host.errors.back(); }
  void ClearError() {
    interp.run.errorFlag = 0;
    host.errors.clear();
  }

  int main = 0;
};

TEST_F(CallsTest, FindFunctionResolvesQualifiedNames) {
  THensuFmt context(interp, true);
  auto find = [&](std::u16string_view name, std::u16string module, int mask = kAnyFunctionKind) {
    int found = FindFunction(name, mask, context, &module, CallMode::kCall, nullptr);
    return std::make_pair(found, module);
  };
  // Outside a module: names as written; GLOBAL. is dropped.
  EXPECT_EQ(std::make_pair(Header(u"F"), std::u16string()), find(u"F", u""));
  EXPECT_EQ(std::make_pair(Header(u"M.F"), std::u16string(u"M")), find(u"M.F", u""));
  EXPECT_EQ(std::make_pair(Header(u"F"), std::u16string()), find(u"GLOBAL.F", u""));
  EXPECT_EQ(-1, find(u"THIS.F", u"").first);
  // Inside module M: its own F first, the global name otherwise.
  EXPECT_EQ(std::make_pair(Header(u"M.F"), std::u16string(u"M")), find(u"F", u"M"));
  EXPECT_EQ(std::make_pair(Header(u"G"), std::u16string()), find(u"G", u"M"));
  EXPECT_EQ(std::make_pair(Header(u"M.F"), std::u16string(u"M")), find(u"THIS.F", u"M"));
  EXPECT_EQ(std::make_pair(Header(u"F"), std::u16string()), find(u"GLOBAL.F", u"M"));
  EXPECT_EQ(std::make_pair(Header(u"N.F"), std::u16string(u"N")), find(u"N.F", u"M"));
  // Inside WITH: the subject's module, or the own module when there is none.
  EXPECT_EQ(Header(u"M.F"), find(u".F", u"M").first);
  context.withTarget = Value::String(u"N");
  EXPECT_EQ(std::make_pair(Header(u"N.F"), std::u16string(u"N")), find(u".F", u"M"));
  context.withTarget = Value::Double(1);
  EXPECT_EQ(-1, find(u".F", u"M").first);
  // A kind outside the mask is named but not found.
  std::u16string module;
  int kind = 0;
  EXPECT_EQ(-1, FindFunction(u"M.H", kFunctionKind, context, &module, CallMode::kCall, &kind));
  EXPECT_EQ(kProcedureKind, kind);
  // Nothing is found after a shown error.
  interp.run.errorFlag = 1;
  EXPECT_EQ(-1, find(u"F", u"").first);
}

TEST_F(CallsTest, ArgumentsDefaultsAndTheHeaderCache) {
  EXPECT_EQ(u"9", Call(u"F(3)").Text());
  EXPECT_EQ(u"7", Call(u"F(3, 4)").Text());
  EXPECT_EQ(u"2", Call(u"F(, 2)").Text());  // an omitted argument is Empty
  EXPECT_EQ(u"3", Call(u"F(1, 2, 3, 4)").Text());
  // Commas, quotes and parentheses inside defaults.
  EXPECT_EQ(u"cx,)6", Call(u"Q(\"c\")").Text());
  EXPECT_EQ(u"c12", Call(u"Q(\"c\", 1, (1 + 1))").Text());
  EXPECT_EQ(u"M.F 5", Call(u"M.F(5)").Text());
  EXPECT_EQ(u"N.F", Call(u"N.F()").Text());
  EXPECT_TRUE(host.errors.empty());
  // Headers analysed once are marked in the thread record.
  EXPECT_EQ(kKindAnalysedHeader, interp.records[0].kinds[static_cast<std::size_t>(Header(u"F"))]);
  EXPECT_EQ(kKindAnalysedHeader, interp.records[0].kinds[static_cast<std::size_t>(Header(u"Q"))]);
  EXPECT_EQ(kKindStatement, interp.records[0].kinds[static_cast<std::size_t>(Header(u"G"))]);
  // A procedure in an expression gives Byte 0.
  Value result = Call(u"M.H()");
  EXPECT_EQ(kVtByte, result.type());
  EXPECT_EQ(u"0", result.Text());
}

TEST_F(CallsTest, CallErrorsAreReportedAtTheCall) {
  Call(u"F()");
  EXPECT_EQ(u"SyntaxError:FUNCTION F(A, B = A * 2)\rat line 1: X = 1", LastError());
  ClearError();
  // SyntaxError-25, shown without its number.
  for (std::u16string_view text : {u"NOPE(1)", u"M.NOPE(1)"}) {
    Call(text);
    EXPECT_TRUE(LastError().starts_with(u"SyntaxError "));
    EXPECT_TRUE(LastError().ends_with(u"\rat line 1: X = 1"));
    ClearError();
  }
  Call(u"XLGETDATA(\"abc\")");
  EXPECT_EQ(u"XLGETDATA is not available yet\rat line 1: X = 1", LastError());
  ClearError();
  // A member call on a name that holds no object; natively there is no COM.
  Call(u"OBJ.RUN(1)");
  EXPECT_EQ(os::ComAvailable()
                ? u"It isn't defined: OBJ\rat line 1: X = 1"
                : u"COM automation is not available on this platform: OBJ.RUN(1)\rat line 1: X = 1",
            LastError());
  ClearError();
  // An argument that fails ends the call before the function runs.
  bool failed = false;
  DispatchCall(u"F(UNDEFINED)", interp.global, CallMode::kCall, &failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(u"It isn't defined: UNDEFINED\rat line 1: X = 1", LastError());
  EXPECT_TRUE(host.endedBodies.empty());
}

TEST_F(CallsTest, VarParametersWriteBackToVariables) {
  THensuFmt& global = interp.global;
  SetValue(global, u"A", Value::String(u"a"));
  SetValue(global, u"B", Value::String(u"b"));
  Call(u"SWAP(A, B)");
  EXPECT_EQ(u"b", GetValue(global, u"A").Text());
  EXPECT_EQ(u"a", GetValue(global, u"B").Text());
  // A value that is no variable is passed in but not written back.
  Call(u"SWAP(A, \"lit\")");
  EXPECT_EQ(u"lit", GetValue(global, u"A").Text());
  EXPECT_TRUE(host.errors.empty());
  // A constant cannot take the value back.
  ASSERT_EQ(u"", DefineConst(interp, u"K = 1"));
  Call(u"SWAP(K, A)");
  EXPECT_EQ(u"Variable can not be assigned a value\rat line 1: X = 1", LastError());
  ClearError();
  EXPECT_EQ(u"lit", GetValue(global, u"A").Text());
}

TEST_F(CallsTest, ArrayArgumentsCopyInAndBack) {
  THensuFmt& global = interp.global;
  ASSERT_TRUE(CreateVariable(global, global.vars, u"GRID[1][2]"));
  for (int i = 0; i < 6; ++i) {
    SetValue(
        global,
        u"GRID[" + std::u16string(1, u'0' + i / 3) + u"][" + std::u16string(1, u'0' + i % 3) + u"]",
        Value::Double(i));
  }
  // The second row, with the remaining dimension.
  THensuFmt callee(interp, true);
  ASSERT_TRUE(CopyArrayArgument(u"GRID[1]", global, callee, u"ROW", false));
  int row = callee.vars.names.IndexOf(u"ROW");
  ASSERT_GE(row, 0);
  EXPECT_EQ(std::vector<std::int32_t>{2}, callee.vars.bounds[static_cast<std::size_t>(row)]);
  EXPECT_EQ(u"3", callee.vars.values[static_cast<std::size_t>(row)][0].Text());
  EXPECT_EQ(u"5", callee.vars.values[static_cast<std::size_t>(row)][2].Text());
  // Written back in place; a part cannot change its size.
  callee.vars.values[static_cast<std::size_t>(row)][1] = Value::String(u"x");
  ASSERT_TRUE(CopyArrayArgument(u"GRID[1]", global, callee, u"ROW", true));
  EXPECT_EQ(u"x", GetValue(global, u"GRID[1][1]").Text());
  EXPECT_EQ(u"1", GetValue(global, u"GRID[0][1]").Text());
  callee.vars.values[static_cast<std::size_t>(row)].resize(4);
  callee.vars.bounds[static_cast<std::size_t>(row)] = {3};
  EXPECT_FALSE(CopyArrayArgument(u"GRID[1]", global, callee, u"ROW", true));
  EXPECT_EQ(u"Size cannot change by argument of multidimensional array\rat line 1: X = 1",
            LastError());
  ClearError();
  // A whole array takes the parameter's shape.
  ASSERT_TRUE(CopyArrayArgument(u"GRID", global, callee, u"ALL", false));
  int all = callee.vars.names.IndexOf(u"ALL");
  callee.vars.values[static_cast<std::size_t>(all)].resize(2);
  callee.vars.bounds[static_cast<std::size_t>(all)] = {1};
  ASSERT_TRUE(CopyArrayArgument(u"GRID", global, callee, u"ALL", true));
  EXPECT_EQ(u"1", GetValue(global, u"GRID[1]").Text());
  // Bad sources are reported in the source's context.
  EXPECT_FALSE(CopyArrayArgument(u"NOPE", global, callee, u"P", false));
  EXPECT_EQ(u"It isn't defined: NOPE\rat line 1: X = 1", LastError());
  ClearError();
  EXPECT_FALSE(CopyArrayArgument(u"GRID[7]", global, callee, u"P", false));
  EXPECT_EQ(u"It exceeded array: GRID\rat line 1: X = 1", LastError());
  ClearError();
  // Through a call: FILL(VAR ARR[], V).
  ASSERT_TRUE(CreateVariable(global, global.vars, u"PAIR[1]"));
  Call(u"FILL(PAIR, 7)");
  EXPECT_EQ(u"7", GetValue(global, u"PAIR[1]").Text());
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(CallsTest, BodyRunnerStopsAndClosesTheBody) {
  THensuFmt context(interp, true);
  context.baseIndex = Header(u"SWAP");
  context.stmtTexts = BodyRows(interp, context.baseIndex);
  ASSERT_EQ(4u, context.stmtTexts.size());
  // A pending BREAK with no loop to take it does not hold the runner.
  context.breakCount = 1;
  RunBody(context);
  EXPECT_EQ(4, context.curOffset);
  EXPECT_EQ(0, context.breakCount);
  EXPECT_EQ(0, context.vars.count());
  EXPECT_EQ(std::vector<int>{context.baseIndex}, host.endedBodies);
  // A stop runs nothing.
  interp.run.abortLevel = 1;
  RunBody(context);
  EXPECT_EQ(0, context.vars.count());
  interp.run.abortLevel = 0;
}

TEST_F(CallsTest, CallsStartAfterAShownError) {
  // Event handlers may be called while an error is shown: the call clears it.
  interp.run.errorFlag = 1;
  Value result =
      CallUserFunction(u"", Header(u"G"), interp.global, {}, {}, CallMode::kCall, kFunctionKind);
  EXPECT_EQ(u"global G", result.Text());
  EXPECT_EQ(0, interp.run.errorFlag);
}

}  // namespace
}  // namespace zelk
