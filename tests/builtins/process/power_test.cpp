// POFF through the real interpreter with the machine's power control
// replaced by a recorder: no test reaches the machine's own power state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/process/restart_request.h"
#include "platform/power.h"
#include "runtime/expr/evaluate.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

class RecordingPower final : public os::PowerControl {
 public:
  bool Available() override { return true; }
  void EnableShutdownPrivilege() override { calls.push_back("privilege"); }
  void Suspend(bool sleep, bool force) override {
    calls.push_back(std::string(sleep ? "sleep" : "hibernate") + (force ? " force" : ""));
  }
  void SetMonitor(os::MonitorPower power) override {
    calls.push_back(power == os::MonitorPower::kLow   ? "monitor low"
                    : power == os::MonitorPower::kOff ? "monitor off"
                                                      : "monitor on");
  }
  void StartScreenSaver() override { calls.push_back("screen saver"); }
  void EndSession(unsigned flags) override { calls.push_back("exit " + std::to_string(flags)); }

  std::vector<std::string> calls;
};

class PoffTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
    before_ = os::SetPowerControl(&power);
  }
  void TearDown() override {
    os::SetPowerControl(before_);
    interp.run.abortLevel = 0;
    interp.run.exitExitFlag = false;
    TakeRestartRequest(interp);
    InterpreterTest::TearDown();
  }

  // The calls one POFF made, and whether it ended the run.
  std::vector<std::string> Poff(const std::u16string& arguments, bool* ended = nullptr) {
    power.calls.clear();
    interp.run.abortLevel = 0;
    interp.run.exitExitFlag = false;
    interp.global.exitFlag = 0;
    Value result;
    Evaluate(u"POFF(" + arguments + u")", interp.global, &result);
    if (ended) *ended = interp.run.exitExitFlag && interp.run.abortLevel > 0;
    return power.calls;
  }

  RecordingPower power;
  os::PowerControl* before_ = nullptr;
};

using Calls = std::vector<std::string>;

TEST_F(PoffTest, ExitWindowsFlagsEndTheRunFirst) {
  bool ended = false;
  // EWX_POWEROFF (8) + EWX_SHUTDOWN (1); mode 0 is P_POWEROFF.
  EXPECT_EQ(Calls({"privilege", "exit 9"}), Poff(u"0", &ended));
  EXPECT_TRUE(ended);
  EXPECT_EQ(Calls({"privilege", "exit 9"}), Poff(u"P_POWEROFF", &ended));
  EXPECT_EQ(Calls({"privilege", "exit 1"}), Poff(u"P_SHUTDOWN", &ended));
  // EWX_REBOOT (2) + EWX_FORCE (4).
  EXPECT_EQ(Calls({"privilege", "exit 6"}), Poff(u"P_REBOOT + P_FORCE", &ended));
  // Log-off has no flag of its own (EWX_LOGOFF is 0) and still acts.
  EXPECT_EQ(Calls({"privilege", "exit 0"}), Poff(u"P_LOGOFF", &ended));
  EXPECT_TRUE(ended);
  EXPECT_EQ(Calls({"privilege", "exit 4"}), Poff(u"P_FORCE", &ended));
}

TEST_F(PoffTest, ModeWithoutActionDoesNothing) {
  bool ended = true;
  EXPECT_EQ(Calls({"privilege"}), Poff(u"2", &ended));
  EXPECT_FALSE(ended);
}

TEST_F(PoffTest, FirstMatchingRowWins) {
  bool ended = true;
  EXPECT_EQ(Calls({"privilege", "hibernate force"}), Poff(u"P_SUSPEND + P_FORCE", &ended));
  EXPECT_FALSE(ended);
  EXPECT_EQ(Calls({"privilege", "sleep"}), Poff(u"P_SUSPEND2"));
  EXPECT_EQ(Calls({"privilege", "hibernate"}), Poff(u"P_MONIPOWER + P_SUSPEND"));
  EXPECT_EQ(Calls({"privilege", "monitor low"}), Poff(u"P_MONIPOWER + P_SCREENSAVE"));
  EXPECT_EQ(Calls({"privilege", "monitor off"}), Poff(u"P_MONIPOWER2"));
  EXPECT_EQ(Calls({"privilege", "monitor on"}), Poff(u"P_MONIPOWER3"));
  EXPECT_EQ(Calls({"privilege", "screen saver"}), Poff(u"P_SCREENSAVE + P_ZELK_REEXEC"));
  // A power action ahead of P_POWEROFF's own bits takes the row.
  EXPECT_EQ(Calls({"privilege", "monitor off"}), Poff(u"P_MONIPOWER2 + P_POWEROFF", &ended));
  EXPECT_FALSE(ended);
}

TEST_F(PoffTest, ReexecEndsTheRunAndMayAskForARestart) {
  bool ended = false;
  EXPECT_EQ(Calls(), Poff(u"P_ZELK_REEXEC", &ended));
  EXPECT_TRUE(ended);
  EXPECT_EQ(1, interp.global.exitFlag);
  EXPECT_FALSE(TakeRestartRequest(interp));
  EXPECT_EQ(Calls(), Poff(u"P_ZELK_REEXEC + P_POWEROFF, TRUE", &ended));
  EXPECT_TRUE(ended);
  EXPECT_TRUE(TakeRestartRequest(interp));
  EXPECT_FALSE(TakeRestartRequest(interp)) << "a request is taken once";
}

TEST_F(PoffTest, NoPowerControlIsAnErrorAtTheLine) {
  class Absent final : public os::PowerControl {
   public:
    bool Available() override { return false; }
    void EnableShutdownPrivilege() override { ADD_FAILURE() << "privilege asked"; }
    void Suspend(bool, bool) override { ADD_FAILURE() << "suspended"; }
    void SetMonitor(os::MonitorPower) override { ADD_FAILURE() << "monitor"; }
    void StartScreenSaver() override { ADD_FAILURE() << "screen saver"; }
    void EndSession(unsigned) override { ADD_FAILURE() << "exit windows"; }
  } absent;
  os::SetPowerControl(&absent);
  bool ended = true;
  Poff(u"P_POWEROFF", &ended);
  EXPECT_FALSE(ended) << "the run ends by the error, not as a power-off";
  ASSERT_FALSE(host.errors.empty());
  EXPECT_NE(std::u16string::npos,
            host.errors.back().find(u"POFF is not available on this platform"));
  // Restarting the script needs no power control.
  host.errors.clear();
  interp.run.errorFlag = 0;
  Poff(u"P_ZELK_REEXEC", &ended);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(host.errors.empty());
  os::SetPowerControl(&power);
}

}  // namespace
}  // namespace zelk
