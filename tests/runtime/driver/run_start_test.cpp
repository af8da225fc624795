// Stops at the edges of a run and of a call: one that comes before the
// script has been read, and one that lands while a procedure is being
// entered with TRY blocks open in its callers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

using Texts = std::vector<std::u16string>;

class RunStartTest : public InterpreterTest {
 protected:
  std::u16string Script(const Texts& lines) {
    const std::u16string path = os::TempFolder() + u"\\zelk-run-start-test.zls";
    EXPECT_TRUE(SaveTextFile(path, lines, kEncodingUtf8));
    return path;
  }
};

TEST_F(RunStartTest, AStopBeforeTheScriptIsReadEndsTheRunBeforeItsFirstStatement) {
  const std::u16string path = Script({u"PRINT \"ran\""});
  // A run that ended normally leaves the abort level raised: no stop.
  EXPECT_EQ(0, RunScriptFile(interp, path, {}));
  ASSERT_GT(interp.run.abortLevel.load(), 0);
  BeginRun(interp);
  EXPECT_EQ(0, RunBegunScript(interp, path, {}));
  EXPECT_EQ(host.printed, (Texts{u"ran", u"ran"}));

  // Ctrl+C between the start and the reading of the script.
  BeginRun(interp);
  StopRun(interp);
  EXPECT_EQ(kStoppedStatus, RunBegunScript(interp, path, {}));
  EXPECT_EQ(host.printed.size(), 2u);

  // That stop belonged to that run: the next one runs.
  EXPECT_EQ(0, RunScriptFile(interp, path, {}));
  EXPECT_EQ(host.printed.size(), 3u);
}

TEST_F(RunStartTest, AStopWhileAProcedureIsEnteredRunsTheCallersFinallyParts) {
  // The stop lands while P's default argument is being evaluated: P's body
  // and its TRY never start, every open TRY of its callers runs its FINALLY.
  const Texts script{u"OPTION OPTFINALLY",
                     u"TRY",
                     u"  PRINT \"before\"",
                     u"  Outer()",
                     u"  PRINT \"never\"",
                     u"FINALLY",
                     u"  PRINT \"main finally\"",
                     u"ENDTRY",
                     u"PRINT \"never\"",
                     u"PROCEDURE Outer()",
                     u"  TRY",
                     u"    P(1)",
                     u"    PRINT \"never\"",
                     u"  FINALLY",
                     u"    PRINT \"outer finally\"",
                     u"  ENDTRY",
                     u"FEND",
                     u"PROCEDURE P(a, b = Slow())",
                     u"  TRY",
                     u"    PRINT \"never\"",
                     u"  FINALLY",
                     u"    PRINT \"never\"",
                     u"  ENDTRY",
                     u"FEND",
                     u"FUNCTION Slow()",
                     u"  STOPPED_HERE = 1",
                     u"  RESULT = 0",
                     u"FEND"};
  host.stopAtText = u"STOPPED_HERE = 1";
  RunScriptFile(interp, Script(script), {});
  EXPECT_TRUE(host.stopped);
  EXPECT_EQ(host.printed, (Texts{u"before", u"outer finally", u"main finally"}));
  EXPECT_TRUE(host.errors.empty());

  // Arguments of a call that stop while they are evaluated: the same.
  Texts withArgument = script;
  withArgument[11] = u"    x = P(Slow())";
  withArgument[17] = u"FUNCTION P(a)";
  withArgument.insert(withArgument.begin() + 18, u"  RESULT = a");
  host.printed.clear();
  host.stopped = false;
  RunScriptFile(interp, Script(withArgument), {});
  EXPECT_TRUE(host.stopped);
  EXPECT_EQ(host.printed, (Texts{u"before", u"outer finally", u"main finally"}));
  EXPECT_TRUE(host.errors.empty());
}

}  // namespace
}  // namespace zelk
