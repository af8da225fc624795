// The waiting built-ins keep their time and end within 100 ms of a stop
// request: SLEEP, EXEC waiting for a program, DOSCMD waiting for a command.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "runtime/driver/run_driver.h"
#include "runtime/expr/evaluate.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The interpreter's console program, beside the unit tests.
fs::path Zelkrun() {
  fs::path exe = fs::path(os::ExecutablePath()).parent_path() / "zelkrun";
#ifdef _WIN32
  exe += ".exe";
#endif
  return exe;
}

class WaitTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
    interp.run.runState = kRunRunning;
  }
  void TearDown() override {
    interp.run.abortLevel = 0;
    interp.run.runState = kRunIdle;
    std::error_code ignored;
    if (!script_.empty()) fs::remove(script_, ignored);
    InterpreterTest::TearDown();
  }

  // Evaluates text, presses Stop after stopAfterMs (never when negative);
  // returns the milliseconds from the stop to the end of the call, or from
  // the start when there was no stop.
  long long Timed(const std::u16string& text, int stopAfterMs, Value* result = nullptr) {
    Clock::time_point stoppedAt{};
    std::thread stopper;
    if (stopAfterMs >= 0) {
      stopper = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
        stoppedAt = Clock::now();
        StopRun(interp);
      });
    }
    const Clock::time_point start = Clock::now();
    Value value;
    Evaluate(text, interp.global, &value);
    const Clock::time_point end = Clock::now();
    if (stopper.joinable()) stopper.join();
    if (result) *result = value;
    const Clock::time_point from = stopAfterMs >= 0 ? stoppedAt : start;
    return std::chrono::duration_cast<std::chrono::milliseconds>(end - from).count();
  }

  // A script for the interpreter's own console program that takes about
  // five seconds and prints nothing; its command line (quoted for a string
  // literal with <#DBL>).
  std::u16string SlowChild() {
    script_ = fs::temp_directory_path() /
              ("zelk-slow-" + std::to_string(Clock::now().time_since_epoch().count()) + ".zls");
    std::ofstream(script_) << "FOR i = 1 TO 50\r\n  SLEEP(0.1)\r\nNEXT\r\n";
    return u"<#DBL>" + Zelkrun().u16string() + u"<#DBL> <#DBL>" + script_.u16string() + u"<#DBL>";
  }

  fs::path script_;
};

TEST_F(WaitTest, SleepKeepsItsTime) {
  EXPECT_LT(Timed(u"SLEEP(0)", -1), 50);
  EXPECT_LT(Timed(u"SLEEP(0.005)", -1), 60);
  const long long quarter = Timed(u"SLEEP(0.25)", -1);
  EXPECT_GE(quarter, 240);
  EXPECT_LT(quarter, 700);
  const long long oneAndAHalf = Timed(u"SLEEP(1.05)", -1);
  EXPECT_GE(oneAndAHalf, 1040);
  EXPECT_LT(oneAndAHalf, 1700);
}

TEST_F(WaitTest, StopEndsSleep) {
  EXPECT_LE(Timed(u"SLEEP(30)", 150), 100);
  interp.run.abortLevel = 0;
  // Also inside the first part, shorter than a slice.
  EXPECT_LE(Timed(u"SLEEP(0.099)", 20), 100);
}

TEST_F(WaitTest, StopEndsTheWaitForAProgram) {
  if (!fs::exists(Zelkrun())) GTEST_SKIP() << "zelkrun is not built beside the unit tests";
  const std::u16string child = SlowChild();
  Value result;
  EXPECT_LE(Timed(u"EXEC(\"" + child + u"\", TRUE)", 300, &result), 100);
  // Still running when the wait was given up: STILL_ACTIVE.
  EXPECT_EQ(u"259", result.Text());
  interp.run.abortLevel = 0;
  EXPECT_LE(Timed(u"DOSCMD(\"" + child + u"\")", 300, &result), 100);
  EXPECT_EQ(u"", result.Text());
}

}  // namespace
}  // namespace zelk
