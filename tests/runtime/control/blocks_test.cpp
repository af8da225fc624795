// The block handlers seen from the debugger's side: where the debug hook
// stops in each block, that every stack is back to empty however a block was
// left, and what a stop does to a running loop.
#include "runtime/control/blocks.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "foundation/script_log.h"
#include "frontend/statement_table.h"
#include "platform/stack.h"
#include "runtime/control/blocks_internal.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

using Texts = std::vector<std::u16string>;

// Runs the rows as the main program's body in the global context, the way
// the run driver does, and leaves the context as the run left it.
class BlocksTest : public InterpreterTest {
 protected:
  void Run(Texts rows, bool optFinally = false) {
    rows.insert(rows.begin(), u"PROCEDURE __MAIN__()");
    rows.push_back(u"FEND");
    interp.preprocessor.FReLoad(rows);
    interp.TakeStatementKinds();
    interp.options.optFinally = optFinally;
    interp.SetMainThread();
    THensuFmt& global = interp.global;
    const std::vector<std::u16string>& texts = interp.table.StmtTexts;
    global.baseIndex = 0;
    global.stmtTexts = std::span<const std::u16string>(texts).first(texts.size() - 1);
    const auto length = static_cast<std::int32_t>(global.stmtTexts.size());
    host.hookedRows.clear();
    host.stopped = false;
    for (global.curOffset = 1; global.curOffset < length;) {
      if (global.exitFlag || interp.run.errorFlag || interp.run.abortLevel > 0) break;
      std::int32_t before = global.curOffset;
      ExecuteRow(global);
      if (global.curOffset == before) break;
    }
  }

  void ExpectStacksEmpty() {
    const THensuFmt& g = interp.global;
    EXPECT_TRUE(g.tryStack.empty()) << g.tryStack.size();
    EXPECT_TRUE(g.withStack.empty()) << g.withStack.size();
    EXPECT_TRUE(g.loopStack.empty()) << g.loopStack.size();
    EXPECT_EQ(g.tryDepth, 0);
    EXPECT_EQ(g.breakCount, 0);
    EXPECT_EQ(g.continueCount, 0);
    EXPECT_TRUE(g.withTarget.IsEmpty());
  }
};

TEST_F(BlocksTest, HookStopsOnLinesThatExecuteNothing) {
  // FOR: the NEXT line after each pass, then the FOR line before the test.
  Run({u"FOR I = 1 TO 2", u"X = I", u"NEXT"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 2, 3, 1, 2, 3, 1}));
  // WHILE: WEND at the end of every pass, then WHILE for the test.
  Run({u"I = 0", u"WHILE I < 2", u"I = I + 1", u"WEND"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 2, 3, 4, 2, 3, 4, 2}));
  // REPEAT: UNTIL before each test.
  Run({u"I = 0", u"REPEAT", u"I = I + 1", u"UNTIL I = 2"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 2, 3, 4, 3, 4}));
  // IFB: each ELSEIF tested, then the chosen part.
  Run({u"IFB 1 = 2", u"X = 1", u"ELSEIF 1 = 3", u"X = 2", u"ELSEIF 1 = 1", u"X = 3", u"ELSE",
       u"X = 4", u"ENDIF"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 3, 5, 6}));
  // SELECT: each CASE tested, the matched part, SELEND.
  Run({u"SELECT 2", u"CASE 1", u"X = 1", u"CASE 2", u"X = 2", u"DEFAULT", u"X = 3", u"SELEND"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 2, 4, 5, 8}));
  // No match: DEFAULT is shown before its part.
  Run({u"SELECT 9", u"CASE 1", u"X = 1", u"DEFAULT", u"X = 3", u"SELEND"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 2, 4, 5, 6}));
  // EXCEPT is passed over in normal flow, and shown when it takes an error.
  Run({u"TRY", u"X = 1", u"EXCEPT", u"X = 2", u"ENDTRY"});
  EXPECT_EQ(host.hookedRows,
            (std::vector<int>{1, 2}));  // EXCEPT jumps onto ENDTRY, which the executor passes
  Run({u"TRY", u"X = NOPE", u"EXCEPT", u"X = 2", u"ENDTRY"});
  EXPECT_EQ(host.hookedRows, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(BlocksTest, StacksAreEmptyAfterEveryWayOut) {
  // WITH blocks left by BREAK, by CONTINUE and by an error that a TRY takes.
  Run({u"FOR I = 1 TO 3", u"WITH 5", u"IFB I = 2", u"WITH 6", u"BREAK", u"ENDWITH", u"ENDIF",
       u"CONTINUE", u"ENDWITH", u"NEXT"});
  ExpectStacksEmpty();
  Run({u"TRY", u"WITH 1", u"WITH 2", u"X = NOPE", u"ENDWITH", u"ENDWITH", u"EXCEPT", u"WITH 3",
       u"ENDWITH", u"ENDTRY"});
  ExpectStacksEmpty();
  // EXCEPT-form TRY blocks left by jumps, also from inside deeper loops.
  Run({u"WHILE TRUE", u"TRY", u"FOR I = 1 TO 2", u"TRY", u"IFB I = 2", u"BREAK 2", u"ENDIF",
       u"EXCEPT", u"ENDTRY", u"NEXT", u"EXCEPT", u"ENDTRY", u"WEND"});
  ExpectStacksEmpty();
  Run({u"FOR I = 1 TO 2", u"REPEAT", u"TRY", u"CONTINUE 2", u"EXCEPT", u"ENDTRY", u"UNTIL TRUE",
       u"NEXT"});
  ExpectStacksEmpty();
  // An error deep inside loops taken by a TRY around them.
  Run({u"TRY", u"FOR I = 1 TO 2", u"WHILE TRUE", u"X = NOPE", u"WEND", u"NEXT", u"EXCEPT",
       u"ENDTRY", u"X = 1"});
  ExpectStacksEmpty();
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(BlocksTest, NestingBeyondTheStackIsAnErrorNotACrash) {
  Texts rows;
  // Deeper than a 2 MB stack (a script thread's) holds in every build.
  const int depth = 20000;
  for (int i = 0; i < depth; ++i) rows.push_back(i % 2 ? u"IFB TRUE" : u"WHILE TRUE");
  rows.push_back(u"PRINT \"deepest\"");
  for (int i = depth; i-- > 0;) rows.push_back(i % 2 ? u"ENDIF" : u"WEND");
  os::RunOnThreadWithStack(2 << 20, [&] {
    interp.SetMainThread();  // errors are shown by the main thread
    Run(rows);
  });
  EXPECT_TRUE(host.printed.empty());
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_TRUE(host.errors[0].starts_with(u"Blocks are nested too deeply\rat line "))
      << std::string(host.errors[0].begin(), host.errors[0].end());
}

TEST_F(BlocksTest, StopEndsALoopWithAnEmptyBody) {
  host.stopAfter = 50;
  Run({u"WHILE TRUE", u"WEND"});
  EXPECT_EQ(interp.global.exitFlag, 1);
  EXPECT_LT(host.hookedRows.size(), 60u);
  interp.run.abortLevel = 0;
  Run({u"REPEAT", u"UNTIL FALSE"});
  EXPECT_EQ(interp.global.exitFlag, 1);
  interp.run.abortLevel = 0;
  Run({u"FOR I = 1 TO 1000000000", u"NEXT"});
  EXPECT_EQ(interp.global.exitFlag, 1);
}

TEST_F(BlocksTest, FinallyRunsDuringAStopOnlyUnderOptFinally) {
  host.stopAfter = 20;
  Run({u"TRY", u"WHILE TRUE", u"WEND", u"FINALLY", u"PRINT \"cleanup\"", u"ENDTRY"}, false);
  EXPECT_TRUE(host.printed.empty());
  interp.run.abortLevel = 0;
  Run({u"TRY", u"WHILE TRUE", u"WEND", u"FINALLY", u"PRINT \"cleanup\"", u"ENDTRY"}, true);
  EXPECT_EQ(host.printed, (Texts{u"cleanup"}));
  // The stop request survives the FINALLY part.
  EXPECT_EQ(interp.run.abortLevel, 1);
  EXPECT_TRUE(interp.global.tryStack.empty());
}

}  // namespace
}  // namespace zelk
