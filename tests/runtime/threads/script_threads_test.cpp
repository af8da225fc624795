// Script threads in real runs: scripts written to a file and run by the run
// driver; what they print and show is recorded by the host.
#include "runtime/threads/script_threads.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/settings.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/driver/run_driver.h"
#include "support/recording_host.h"
#include "support/test_builtins.h"

namespace zelk {
namespace {

class ScriptThreadsTest : public testing::Test {
 protected:
  void SetUp() override {
    SetupPaths();
    interp.setHost(&host);
    UseBuiltins(interp);
  }
  int Run(const std::vector<std::u16string>& script) {
    const std::u16string path = os::TempFolder() + u"\\zelk-script-threads-test.zls";
    EXPECT_TRUE(SaveTextFile(path, script, kEncodingUtf8));
    return RunScriptFile(interp, path, {});
  }

  RecordingHost host;
  Interpreter interp;
};

// Notes with each printed line whether the main thread then went without the
// variable lock.
class LockWatchingHost final : public RunHost {
 public:
  explicit LockWatchingHost(Interpreter& interp) : interp_(interp) {}
  void PrintLine(const std::u16string& text) override {
    printed.push_back(text + (interp_.SoleThread() ? u" unlocked" : u" locked"));
  }
  void ShowError(const std::u16string& text) override { printed.push_back(text); }
  bool AskAbort(const std::u16string&) override { return true; }
  void DebugHook(THensuFmt&, bool) override {}
  std::vector<std::u16string> printed;

 private:
  Interpreter& interp_;
};

TEST_F(ScriptThreadsTest, TheGlobalsAreLockedOnlyWhileAThreadRuns) {
  LockWatchingHost watching(interp);
  interp.setHost(&watching);
  EXPECT_EQ(0, Run({u"PUBLIC go = 0", u"PUBLIC started = 0", u"PRINT \"before\"", u"THREAD Wait()",
                    u"REPEAT", u"  SLEEP(0.01)", u"UNTIL started = 1", u"PRINT \"during\"",
                    u"go = 1", u"PROCEDURE Wait()", u"  started = 1", u"  WHILE go = 0",
                    u"    SLEEP(0.01)", u"  WEND", u"FEND"}));
  EXPECT_EQ((std::vector<std::u16string>{u"before unlocked", u"during locked"}), watching.printed);
  // Once the run has waited for its threads, no slot is held and the main
  // thread goes without the lock again.
  EXPECT_FALSE(interp.threads.AnyRunning());
  EXPECT_TRUE(interp.SoleThread());
  interp.setHost(&host);
}

TEST_F(ScriptThreadsTest, AnErrorOnAThreadIsShownWithItsLineAndEndsTheRun) {
  EXPECT_EQ(1, Run({u"THREAD Fail(2)", u"WHILE TRUE", u"  SLEEP(0.01)", u"WEND",
                    u"PROCEDURE Fail(n)", u"  x = n", u"  y = UNKNOWN_NAME + x", u"FEND"}));
  ASSERT_EQ(1u, host.errors.size());
  EXPECT_NE(std::u16string::npos, host.errors[0].find(u"UNKNOWN_NAME"));
  EXPECT_NE(std::u16string::npos, host.errors[0].find(u"at line 7"));
}

TEST_F(ScriptThreadsTest, ControlOfNoThreadDoesNothing) {
  EXPECT_EQ(0, Run({u"PRINT 1"}));
  for (int command : {1, 2, 3, 10, 15, 99}) {
    interp.threads.Control(-1, command);
    interp.threads.Control(0, command);
    interp.threads.Control(kMaxScriptThreads, command);
  }
  EXPECT_FALSE(interp.threads.AnyRunning());
}

}  // namespace
}  // namespace zelk
