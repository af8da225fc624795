// Work a script thread hands to the main thread runs there, while the
// script thread waits; the row loop's one test notices it.
#include "runtime/threads/main_thread_calls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/platform.h"
#include "runtime/core/debug_watch.h"

namespace zelk {
namespace {

TEST(MainThreadCalls, WorkRunsOnTheServingThreadWhileTheCallerWaits) {
  DebugWatch watch;
  watch.SizeRows(4);
  MainThreadCalls calls(watch);
  const std::thread::id main = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  std::thread script([&] {
    calls.Run([&] { ranOn = std::this_thread::get_id(); });
    returned = true;
  });
  // Nothing is run until the main thread serves; the row test says so.
  while (!watch.Wants(2)) os::SleepMs(1);
  EXPECT_FALSE(watch.WantsHook(2));
  os::SleepMs(20);
  EXPECT_FALSE(returned);
  calls.Serve();
  script.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(main, ranOn);
  EXPECT_FALSE(watch.Wants(2));
}

TEST(MainThreadCalls, TheDebuggersWishAndWaitingCallsAreKeptApart) {
  DebugWatch watch;
  watch.SizeRows(2);
  MainThreadCalls calls(watch);
  watch.SetEvery(true);
  std::thread script([&] { calls.Run([] {}); });
  while (!watch.Wants(0)) os::SleepMs(1);
  // The call leaves the debugger's setting as it was, and the other way round.
  calls.WaitForWork(1000);
  script.join();
  EXPECT_TRUE(watch.Every());
  EXPECT_TRUE(watch.WantsHook(1));
  watch.SetEvery(false);
  EXPECT_FALSE(watch.Wants(1));
}

TEST(MainThreadCalls, FailingWorkStillLetsTheCallerGoOn) {
  DebugWatch watch;
  MainThreadCalls calls(watch);
  std::thread script([&] { calls.Run([] { throw std::runtime_error("dialog failed"); }); });
  calls.WaitForWork(60000);
  script.join();  // a hang here is the fault
  SUCCEED();
}

TEST(MainThreadCalls, NotifyEndsAWaitEarly) {
  DebugWatch watch;
  MainThreadCalls calls(watch);
  std::thread finisher([&] { calls.Notify(); });
  finisher.join();
  calls.WaitForWork(60000);  // returns at once: the notice is kept
  SUCCEED();
}

// A main thread inside an automation call serves nothing until the call
// returns: a dialog then runs on the script thread itself, other work waits.
TEST(MainThreadCalls, AMainThreadStuckInAutomationLetsOnlyDialogsRunDirectly) {
  DebugWatch watch;
  watch.SizeRows(4);
  MainThreadCalls calls(watch);
  const std::thread::id main = std::this_thread::get_id();
  std::thread::id dialogOn, dropOn;
  {
    MainThreadCalls::BusyScope busy(calls, true);
    EXPECT_TRUE(calls.Busy());
    std::thread dialog([&] { calls.Run([&] { dialogOn = std::this_thread::get_id(); }, true); });
    dialog.join();  // a hang here is the fault
    EXPECT_NE(main, dialogOn);
    std::atomic<bool> returned{false};
    std::thread drop([&] {
      calls.Run([&] { dropOn = std::this_thread::get_id(); });
      returned = true;
    });
    while (!watch.Wants(1)) os::SleepMs(1);
    EXPECT_FALSE(returned);
    calls.Serve();
    drop.join();
  }
  EXPECT_EQ(main, dropOn);
  EXPECT_FALSE(calls.Busy());
  MainThreadCalls::BusyScope inactive(calls, false);
  EXPECT_FALSE(calls.Busy());
}

}  // namespace
}  // namespace zelk
