#include "runtime/control/execute.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/script_log.h"
#include "frontend/statement_table.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

class TestObject final : public ObjectCell {
 public:
  std::uintptr_t Identity() const override { return 123456; }
};

TEST(FormatPrintValueTest, EachKindHasItsText) {
  EXPECT_EQ(u"", FormatPrintValue(Value(), false));
  EXPECT_EQ(u"NULL", FormatPrintValue(Value::Null(), false));
  EXPECT_EQ(u"NOTHING", FormatPrintValue(Value::Nothing(), false));
  EXPECT_EQ(u"123456", FormatPrintValue(Value::Object(new TestObject), false));
  EXPECT_EQ(u"ERROR", FormatPrintValue(Value::Error(5), false));
  EXPECT_EQ(u"True", FormatPrintValue(Value::Boolean(true), false));
  EXPECT_EQ(u"1.5", FormatPrintValue(Value::Double(1.5), false));
  EXPECT_EQ(u"0", FormatPrintValue(Value::FailedByte(), false));
  EXPECT_EQ(u"a\r\nb\tc", FormatPrintValue(Value::String(u"a\r\nb\tc"), false));
}

TEST(FormatPrintValueTest, DisplayFormIsShortAndOnOneLine) {
  EXPECT_EQ(u"a<#CR>b<#TAB>c", FormatPrintValue(Value::String(u"a\r\nb\tc"), true));
  std::u16string longText(1500, u'x');
  EXPECT_EQ(std::u16string(1024, u'x') + u"...", FormatPrintValue(Value::String(longText), true));
  EXPECT_EQ(longText, FormatPrintValue(Value::String(longText), false));
}

// Rows of a body headed at row 0, run in a context of their own.
class ExecuteTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    Row(u"PROCEDURE __MAIN__()", kKindStatement);
  }

  // Runs the row as the only one after the header and returns the kind it has now.
  std::int32_t Run(std::u16string text, std::int32_t kind) {
    int row = Row(std::move(text), kind);
    interp.TakeStatementKinds();
    context.stmtTexts = interp.table.StmtTexts;
    context.curOffset = row;
    ExecuteRow(context);
    return interp.records[0].kinds[static_cast<std::size_t>(row)];
  }
  std::u16string LastError() const { return host.errors.empty() ? u"" : host.errors.back(); }
  void ClearError() {
    interp.run.errorFlag = 0;
    host.errors.clear();
  }

  THensuFmt context{interp, false};
};

TEST_F(ExecuteTest, PrintLineKeepsTheBufferWithinTheLimit) {
  interp.options.logLines = 20;
  for (int i = 1; i <= 22; ++i) PrintLine(interp, std::u16string(1, static_cast<char16_t>(i)));
  EXPECT_EQ(22u, host.printed.size());
  EXPECT_EQ(20u, interp.print.lines.size());
  EXPECT_EQ(u"\x03", interp.print.lines.front());
  // The window is refilled from the buffer only past limit + limit / 10 lines.
  EXPECT_TRUE(host.replacedWith.empty());
  PrintLine(interp, u"23");
  EXPECT_EQ(std::vector<std::size_t>{20}, host.replacedWith);
  EXPECT_EQ(20, interp.print.windowLines);
  EXPECT_EQ(u"23", interp.print.lines.back());
}

// A THREAD row starts user routines only: any other name is the syntax
// error of a call that names nothing, and no thread starts.
TEST_F(ExecuteTest, ThreadRowOfNoRoutineIsASyntaxError) {
  Run(u"F(1)", kKindThread);
  EXPECT_EQ(u"SyntaxError   \rat line 1: F(1)", LastError());
  EXPECT_FALSE(interp.threads.AnyRunning());
}

// The row declares in the running context; a bad option ends the row there.
TEST_F(ExecuteTest, HashtblRowDeclaresInItsContext) {
  Run(u"H, G = 4096 + 1, K", kKindHashtbl);
  EXPECT_EQ(u"4096 + 1: Specified is wrong\rat line 1: H, G = 4096 + 1, K", LastError());
  EXPECT_EQ(0, context.hashNames.IndexOf(u"H"));
  EXPECT_EQ(1, context.hashNames.Count());
  EXPECT_EQ(0, interp.global.hashNames.Count());
}

TEST_F(ExecuteTest, UnclassifiedRowsAreClassifiedOnce) {
  interp.definitions.moduleNames.Add(u"M");
  // The kind is kept although the call reported an error.
  EXPECT_EQ(kKindCall, Run(u"DOIT(1)", kKindStatement));
  EXPECT_EQ(1, interp.run.errorFlag);
  ClearError();
  EXPECT_EQ(kKindMethodCall, Run(u"OBJ.RUN(A.B, \"x.y\")", kKindStatement));
  ClearError();
  EXPECT_EQ(kKindCall, Run(u"M.RUN(1)", kKindStatement));
  ClearError();
  EXPECT_EQ(kKindMethodCall, Run(u"M.A.RUN(1)", kKindStatement));
  ClearError();
  EXPECT_EQ(kKindMethodCall, Run(u".RUN", kKindStatement));
  ClearError();
  context.withTarget = Value::String(u"M");
  EXPECT_EQ(kKindCall, Run(u".RUN", kKindStatement));
  ClearError();
  context.withTarget = Value();
  context.moduleName = u"M";
  EXPECT_EQ(kKindCall, Run(u"THIS.RUN", kKindStatement));
  ClearError();
  // Empty rows (declarations handled before the run) only advance.
  EXPECT_EQ(kKindStatement, Run(u"", kKindStatement));
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(ExecuteTest, AssignmentsAreClassifiedByTheirTarget) {
  interp.definitions.moduleNames.Add(u"M");
  EXPECT_EQ(kKindAssign, Run(u"X = (1 = 1)", kKindStatement));
  EXPECT_EQ(u"True", GetValue(context, u"X").Text());
  EXPECT_EQ(kKindAssign, Run(u"M.N = \"a=b\"", kKindStatement));
  EXPECT_EQ(u"a=b", GetValue(context, u"M.N").Text());
  EXPECT_TRUE(host.errors.empty());
  // A failed right side stores nothing and leaves the row unclassified.
  EXPECT_EQ(kKindStatement, Run(u"Y = NOSUCHNAME", kKindStatement));
  ClearError();
  EXPECT_EQ(kKindAssignProperty, Run(u"OBJ.VISIBLE = 1", kKindStatement));
  ClearError();
  // A thread start is analysed again at every execution.
  EXPECT_EQ(kKindStatement, Run(u"T = THREAD F()", kKindStatement));
  ClearError();
  // Later executions of a kind-1 row assign without analysis.
  EXPECT_EQ(kKindAssign, Run(u"X = 5", kKindAssign));
  EXPECT_EQ(u"5", GetValue(context, u"X").Text());
}

TEST_F(ExecuteTest, PrintShowsTextFormsButNoArrays) {
  Run(u"\"a\" + 1", kKindPrint);
  Run(u"", kKindPrint);
  EXPECT_EQ((std::vector<std::u16string>{u"a1", u""}), host.printed);
  SetValue(context, u"ARR", Value::ArrayOf({Value::Double(1)}));
  Run(u"ARR", kKindPrint);
  EXPECT_EQ(u"PRINT: an array cannot be printed as text\rat line 3: ARR", LastError());
  EXPECT_EQ(2u, host.printed.size());
}

TEST_F(ExecuteTest, StopConditionsRunNothing) {
  interp.run.abortLevel = 1;
  Run(u"DOIT", kKindStatement);
  EXPECT_EQ(1, context.exitFlag);
  EXPECT_EQ(1, context.curOffset);
  EXPECT_TRUE(host.errors.empty());

  interp.run.abortLevel = 0;
  context.exitFlag = 0;
  context.breakCount = 1;
  EXPECT_EQ(kKindStatement, Run(u"DOIT", kKindStatement));
  EXPECT_EQ(2, context.curOffset);
  EXPECT_TRUE(host.errors.empty());

  // A row outside the body is passed over.
  context.breakCount = 0;
  context.curOffset = 99;
  ExecuteRow(context);
  EXPECT_EQ(100, context.curOffset);
}

TEST_F(ExecuteTest, HookBeforeEveryRowButExcept) {
  Run(u"", kKindNop);
  Run(u"", kKindEndtry);
  Run(u"", kKindExcept);
  EXPECT_EQ((std::vector<int>{1, 2}), host.hookedRows);
  EXPECT_EQ(4, context.curOffset);
}

// BREAK and CONTINUE counts need loops around them: the control scripts test them.
TEST_F(ExecuteTest, JumpsAndFlags) {
  Run(u"", kKindComErrIgn);
  EXPECT_EQ(1, interp.records[0].comErrIgnore);
  interp.records[0].comErrFlag = 1;
  Run(u"", kKindComErrIgn);
  EXPECT_EQ(0, interp.records[0].comErrFlag);
  Run(u"", kKindComErrRet);
  EXPECT_EQ(0, interp.records[0].comErrIgnore);

  Run(u"", kKindExit);
  EXPECT_EQ(1, context.exitFlag);
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(ExecuteTest, WithModuleNamesNeedsNoEvaluation) {
  interp.definitions.moduleNames.Add(u"M");
  interp.definitions.moduleNames.Add(u"N");
  Run(u"M", kKindWith);
  context.moduleName = u"N";
  Run(u"THIS", kKindWith);
  EXPECT_EQ(u"N", context.withTarget.Text());
  EXPECT_EQ(2u, context.withStack.size());
  Run(u"", kKindEndWith);
  EXPECT_EQ(u"M", context.withTarget.Text());
  Run(u"", kKindEndWith);
  EXPECT_TRUE(context.withTarget.IsEmpty());
  // An unpaired ENDWITH leaves the stack empty rather than failing.
  Run(u"", kKindEndWith);
  EXPECT_TRUE(context.withStack.empty());
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(ExecuteTest, LaterDefDllReplacesTheDeclaration) {
  interp.declared.dllNames.Add(u"BEEP");
  interp.declared.dllDeclarations.push_back(u"BEEP(DWORD):BOOL:kernel32.dll");
  interp.declared.dllNames.Add(u"M.BEEP");
  interp.declared.dllDeclarations.push_back(u"BEEP(DWORD):BOOL:kernel32.dll");
  Run(u"BEEP(DWORD, BYTE[ ]) : BOOL : kernel32.dll", kKindDefDll);
  EXPECT_EQ(u"BEEP(DWORD, BYTE[]) : BOOL : kernel32.dll", interp.declared.dllDeclarations[0]);
  EXPECT_EQ(u"BEEP(DWORD):BOOL:kernel32.dll", interp.declared.dllDeclarations[1]);
  context.moduleName = u"M";
  Run(u"BEEP(WORD):BOOL:kernel32.dll", kKindDefDll);
  EXPECT_EQ(u"BEEP(WORD):BOOL:kernel32.dll", interp.declared.dllDeclarations[1]);
  // A name that was never declared before the run is left alone.
  Run(u"OTHER(WORD):BOOL:kernel32.dll", kKindDefDll);
  EXPECT_EQ(2u, interp.declared.dllDeclarations.size());
}

}  // namespace
}  // namespace zelk
