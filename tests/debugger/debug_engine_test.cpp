// The debug engine driving real runs: scripts written to files, run by the
// run driver on this thread, with a front end that records every stop and
// answers it with the test's next action.
#include "debugger/debug_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/utf.h"
#include "foundation/settings.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/control/execute.h"
#include "runtime/driver/run_driver.h"
#include "support/test_builtins.h"

namespace zelk {
namespace {

struct StopRecord {
  StopReason reason;
  int line;  // 1-based
  int depth;
  std::u16string function;
  std::u16string text;
  int thread = 0;  // 0 the main thread, slot + 1 a script thread
};

class Debuggee : public RunHost, public DebugFrontEnd {
 public:
  using Action = std::function<void(Debuggee&)>;

  Debuggee() : engine(interp, *this) {
    SetupPaths();  // as the programs do: the run's log has its place
    interp.setHost(this);
    UseBuiltins(interp);
  }

  // Runs the script (lines joined with CR LF) to its end; each stop takes the
  // next action, and Continue once they are used up.
  int Run(const std::vector<std::u16string>& script, std::vector<Action> actions = {},
          bool stopOnEntry = false) {
    actions_ = std::move(actions);
    path_ = os::TempFolder() + u"\\zelk-debug-engine-test.zls";
    EXPECT_TRUE(SaveTextFile(path_, script, kEncodingUtf8));
    engine.RunStarting(stopOnEntry);
    const int status = RunScriptFile(interp, path_, {});
    engine.RunEnded();
    return status;
  }
  void Break(std::vector<int> lines) {
    std::vector<BreakpointRequest> requests;
    for (int line : lines) requests.push_back({line - 1, u"", u"", u""});
    engine.SetBreakpoints(0, requests);
  }
  void Break(int line, std::u16string condition, std::u16string hit = u"",
             std::u16string log = u"") {
    engine.SetBreakpoints(0, {{line - 1, std::move(condition), std::move(hit), std::move(log)}});
  }
  std::u16string Eval(std::u16string_view text, int frame = 0) {
    Value v;
    std::u16string message;
    if (!engine.Evaluate(frame, text, &v, &message)) return u"error: " + message;
    return FormatPrintValue(v, false);
  }
  std::vector<int> StopLines() const {
    std::vector<int> lines;
    for (const StopRecord& s : stops) lines.push_back(s.line);
    return lines;
  }

  // RunHost
  void PrintLine(const std::u16string& text) override { printed.push_back(text); }
  void ShowError(const std::u16string& text) override {
    errors.push_back(text);
    engine.ErrorStop(text);
  }
  bool AskAbort(const std::u16string&) override { return true; }
  void DebugHook(THensuFmt& context, bool atEnd) override { engine.Hook(context, atEnd); }
  void SettleBeforeDialog() override {}
  void ShowErrorRow(THensuFmt& context) override { engine.ErrorAt(context); }
  void RunPrepared() override { engine.RunPrepared(); }
  void ThreadStarted(int thread) override { engine.ThreadStarted(thread); }
  void ThreadEnded(int thread) override { engine.ThreadEnded(thread); }

  // DebugFrontEnd
  void Stopped(StopReason reason, const std::u16string& text) override {
    const std::vector<Frame> frames = engine.Frames();
    stops.push_back({reason, frames.empty() ? -1 : frames[0].where.line + 1,
                     static_cast<int>(frames.size()), frames.empty() ? u"" : frames[0].name, text,
                     engine.StoppedThread()});
    if (next_ < actions_.size()) actions_[next_++](*this);
    // An action that only looked around lets the run go on, unless another
    // thread drives the run.
    if (autoContinue && interp.run.runState == kRunPaused) engine.Continue();
  }
  void Log(const std::u16string& text) override { logs.push_back(text); }
  void TraceLine(SourceLine line) override { traced.push_back(line.line + 1); }
  void RefreshViews(THensuFmt&) override { ++refreshes; }

  Interpreter interp;
  DebugEngine engine;
  std::vector<StopRecord> stops;
  std::vector<std::u16string> printed, errors, logs;
  std::vector<int> traced;
  int refreshes = 0;
  bool autoContinue = true;

 private:
  std::vector<Action> actions_;
  std::size_t next_ = 0;
  std::u16string path_;
};

const Debuggee::Action kStepIn = [](Debuggee& d) { d.engine.StepIn(); };
const Debuggee::Action kStepOver = [](Debuggee& d) { d.engine.StepOver(); };
const Debuggee::Action kStepOut = [](Debuggee& d) { d.engine.StepOut(); };

const std::vector<std::u16string> kSteps = {
    u"// stepping",        // 1
    u"a = 1",              // 2
    u"b = Twice(a)",       // 3
    u"PRINT b",            // 4
    u"",                   // 5
    u"FUNCTION Twice(n)",  // 6
    u"  d = n * 2",        // 7
    u"  RESULT = d",       // 8
    u"FEND",               // 9
};

TEST(DebugEngine, StepInStopsAtEveryLineAndEntersCalls) {
  Debuggee d;
  d.Run(kSteps, {kStepIn, kStepIn, kStepIn, kStepIn, kStepIn, kStepIn}, true);
  ASSERT_FALSE(d.stops.empty());
  EXPECT_EQ(StopReason::kEntry, d.stops[0].reason);
  // The function's end stops at its FEND line; back in the caller the rest of
  // line 3 has no row of its own, so the next stop is line 4.
  EXPECT_EQ((std::vector<int>{2, 3, 7, 8, 9, 4}), d.StopLines());
  EXPECT_EQ(2, d.stops[2].depth);
  EXPECT_EQ(u"TWICE", d.stops[2].function);
  EXPECT_EQ(std::vector<std::u16string>{u"2"}, d.printed);
}

TEST(DebugEngine, StepOverRunsCallsThroughAndIgnoresTheirBreakpoints) {
  Debuggee d;
  d.Break({7});
  d.Run(kSteps, {kStepOver, kStepOver, kStepOver}, true);
  EXPECT_EQ((std::vector<int>{2, 3, 4}), d.StopLines());
}

TEST(DebugEngine, StepOverAtTheEndOfABodyStopsAtItsEndThenInTheCaller) {
  Debuggee d;
  d.Break({8});
  d.Run(kSteps, {kStepOver, kStepOver, kStepOver});
  EXPECT_EQ((std::vector<int>{8, 9, 4}), d.StopLines());
  EXPECT_EQ(StopReason::kBreakpoint, d.stops[0].reason);
  EXPECT_EQ(StopReason::kStep, d.stops[1].reason);
}

TEST(DebugEngine, StepOutStopsInTheCallerAfterTheReturn) {
  Debuggee d;
  d.Break({7});
  d.Run(kSteps, {kStepOut});
  EXPECT_EQ((std::vector<int>{7, 4}), d.StopLines());
  EXPECT_EQ(1, d.stops[1].depth);
}

const std::vector<std::u16string> kRecursion = {
    u"PRINT Fact(4)",                 // 1
    u"FUNCTION Fact(n)",              // 2
    u"  IFB n <= 1 THEN",             // 3
    u"    RESULT = 1",                // 4
    u"  ELSE",                        // 5
    u"    RESULT = n * Fact(n - 1)",  // 6
    u"  ENDIF",                       // 7
    u"FEND",                          // 8
};

TEST(DebugEngine, StepOverARecursiveCallStaysInItsOwnFrame) {
  Debuggee d;
  d.Break({6});
  // The first stop is in Fact(4); stepping over its recursive call must not
  // stop in Fact(3), although that is the same body.
  d.Run(kRecursion, {[](Debuggee& e) {
          e.Break({});
          e.engine.StepOver();
        }});
  ASSERT_EQ(2u, d.stops.size());
  EXPECT_EQ(2, d.stops[0].depth);
  EXPECT_EQ(8, d.stops[1].line);
  EXPECT_EQ(2, d.stops[1].depth);
}

TEST(DebugEngine, FramesOfARecursionHoldTheirOwnLocals) {
  Debuggee d;
  d.Break({4});
  std::vector<std::u16string> values;
  d.Run(kRecursion, {[&](Debuggee& e) {
          for (int frame = 0; frame < 4; ++frame) values.push_back(e.Eval(u"n", frame));
          values.push_back(e.Eval(u"n * 10 + 1", 1));
        }});
  ASSERT_EQ(1u, d.stops.size());
  EXPECT_EQ(5, d.stops[0].depth) << "four calls of Fact and the main program";
  EXPECT_EQ((std::vector<std::u16string>{u"1", u"2", u"3", u"4", u"21"}), values);
  EXPECT_EQ(std::vector<std::u16string>{u"24"}, d.printed);
}

TEST(DebugEngine, OneLineIfStopsOnceAndBreakpointRulesHold) {
  Debuggee d;
  d.Break({2, 3});
  d.Run({u"x = 5", u"IF x > 1 THEN PRINT \"big\" ELSE PRINT \"small\"", u"PRINT \"end\""});
  EXPECT_EQ((std::vector<int>{2, 3}), d.StopLines());
}

TEST(DebugEngine, ConditionsHitCountsAndLogpoints) {
  const std::vector<std::u16string> loop = {u"s = 0", u"FOR i = 1 TO 10", u"  s = s + i", u"NEXT"};
  Debuggee conditional;
  std::u16string seen;
  conditional.Break(3, u"i MOD 4 = 0");
  conditional.Run(loop, {[&](Debuggee& e) { seen += e.Eval(u"i"); },
                         [&](Debuggee& e) { seen += u"," + e.Eval(u"i"); }});
  EXPECT_EQ(u"4,8", seen);

  Debuggee counted;
  counted.Break(3, u"", u">= 9");
  seen.clear();
  counted.Run(loop, {[&](Debuggee& e) { seen += e.Eval(u"i"); },
                     [&](Debuggee& e) { seen += u"," + e.Eval(u"i"); }});
  EXPECT_EQ(u"9,10", seen);

  Debuggee logged;
  logged.Break(3, u"i > 8", u"", u"i={i} s={s} bad={nosuch}");
  logged.Run(loop);
  EXPECT_TRUE(logged.stops.empty());
  ASSERT_EQ(2u, logged.logs.size());
  EXPECT_TRUE(logged.logs[0].starts_with(u"i=9 s=36 bad=<"));

  Debuggee failing;
  failing.Break(3, u"nosuch > 1");
  failing.Run(loop, {[](Debuggee& e) {
                e.Break({});
                e.engine.Continue();
              }});
  ASSERT_EQ(1u, failing.stops.size());
  EXPECT_NE(std::u16string::npos, failing.stops[0].text.find(u"NOSUCH"));
}

TEST(DebugEngine, EvaluatingLeavesTheRunAsItWas) {
  Debuggee d;
  d.Break({3});
  std::vector<std::u16string> answers;
  d.Run({u"x = 41", u"TRY", u"  y = x + 1", u"  PRINT TRY_ERRMSG + \"|\" + y", u"EXCEPT",
         u"  PRINT \"caught\"", u"ENDTRY"},
        {[&](Debuggee& e) {
          answers.push_back(e.Eval(u"x * 2"));
          answers.push_back(e.Eval(u"1 +"));
          answers.push_back(e.Eval(u"nosuch"));
        }});
  ASSERT_EQ(3u, answers.size());
  EXPECT_EQ(u"82", answers[0]);
  EXPECT_TRUE(answers[1].starts_with(u"error: ")) << TextToUtf8(answers[1]);
  EXPECT_NE(std::u16string::npos, answers[2].find(u"NOSUCH"));
  // No TRY saw those errors, nothing was shown, and the run went on.
  EXPECT_EQ(std::vector<std::u16string>{u"|42"}, d.printed);
  EXPECT_TRUE(d.errors.empty());
}

TEST(DebugEngine, AVariableChangedWhilePausedIsWhatTheScriptSees) {
  Debuggee d;
  d.Break({2});
  d.Run({u"x = 1", u"PRINT x"}, {[](Debuggee& e) {
          const std::vector<Frame> frames = e.engine.Frames();
          for (const VariableRow& row : VariableRows(*frames[0].context)) {
            if (row.name == u"X")
              WriteVariable(*frames[0].context, row.index, Value::String(u"new"));
          }
          e.engine.Continue();
        }});
  EXPECT_EQ(std::vector<std::u16string>{u"new"}, d.printed);
}

TEST(DebugEngine, VariableRowsShowWhatTheViewsShow) {
  Debuggee d;
  d.Break({7});
  std::vector<VariableRow> rows;
  d.Run({u"DIM many[24]", u"DIM ten[9]", u"FOR i = 0 TO 24; many[i] = i; NEXT", u"HASHTBL h",
         u"FOR i = 1 TO 11; h[\"k\" + i] = i; NEXT", u"s = \"a<#CR>b<#TAB>c\"", u"PRINT 1"},
        {[&](Debuggee& e) { rows = VariableRows(*e.engine.Frames()[0].context); }});
  auto find = [&](std::u16string_view name) -> const VariableRow* {
    for (const VariableRow& r : rows) {
      if (r.name == name) return &r;
    }
    return nullptr;
  };
  ASSERT_NE(nullptr, find(u"MANY[]"));
  EXPECT_EQ(u"0, 1, 2, 3, 4, 5, 6, 7, 8, 9,...", find(u"MANY[]")->value);
  EXPECT_EQ(kCompositeKind, find(u"MANY[]")->kind);
  ASSERT_NE(nullptr, find(u"TEN[]"));
  EXPECT_EQ(std::u16string::npos, find(u"TEN[]")->value.find(u"..."));
  ASSERT_NE(nullptr, find(u"S"));
  EXPECT_EQ(u"a<#CR>b<#TAB>c", find(u"S")->value);
  ASSERT_NE(nullptr, find(u"H[]"));
  EXPECT_TRUE(find(u"H[]")->isHashTable);
  EXPECT_TRUE(find(u"H[]")->value.ends_with(u"k10:10,..."));
  EXPECT_EQ(u"Array of ", KindName(kCompositeKind));
  EXPECT_EQ(u"Array of Variant", KindName(0x200C));
  EXPECT_EQ(u"Integer", KindName(3));
}

TEST(DebugEngine, ARunTimeErrorHoldsTheRunAtItsLine) {
  Debuggee d;
  const int status = d.Run({u"PRINT \"before\"", u"x = EVAL(\"1 +\")", u"PRINT \"never\""});
  ASSERT_EQ(1u, d.stops.size());
  EXPECT_EQ(StopReason::kException, d.stops[0].reason);
  EXPECT_EQ(2, d.stops[0].line);
  EXPECT_FALSE(d.stops[0].text.empty());
  EXPECT_EQ(std::vector<std::u16string>{u"before"}, d.printed);
  EXPECT_EQ(1, status);
}

TEST(DebugEngine, PauseAndStopComeFromAnotherThread) {
  Debuggee d;
  d.autoContinue = false;
  std::thread controller([&] {
    while (d.interp.run.runState != kRunRunning || d.interp.debugWatch.Rows() == 0) os::SleepMs(5);
    os::SleepMs(50);
    d.engine.Pause();
    while (!d.engine.Paused()) os::SleepMs(5);
    std::u16string counted;
    EXPECT_TRUE(d.engine.WhilePaused([&] { counted = d.Eval(u"i > 0"); }));
    EXPECT_EQ(u"True", counted);
    d.engine.Stop();
  });
  const int status = d.Run({u"i = 0", u"WHILE TRUE", u"  i = i + 1", u"WEND"});
  controller.join();
  ASSERT_EQ(1u, d.stops.size());
  EXPECT_EQ(StopReason::kPause, d.stops[0].reason);
  EXPECT_EQ(kStoppedStatus, status);
}

TEST(DebugEngine, TraceShowsLinesAndAStopEndsItsDelay) {
  Debuggee shown;
  shown.engine.SetTrace(0);
  shown.Run({u"a = 1", u"b = 2"});
  EXPECT_EQ((std::vector<int>{1, 2}), shown.traced);
  EXPECT_GE(shown.refreshes, 2);

  Debuggee hidden;
  hidden.engine.SetTrace(-1);
  hidden.Run({u"a = 1", u"b = 2"});
  EXPECT_TRUE(hidden.traced.empty());
  EXPECT_GE(hidden.refreshes, 2);

  Debuggee slow;
  slow.engine.SetTrace(60000);
  std::thread stopper([&] {
    while (slow.traced.empty()) os::SleepMs(5);
    slow.engine.Stop();
  });
  EXPECT_EQ(kStoppedStatus, slow.Run({u"a = 1", u"b = 2"}));
  stopper.join();
}

// --- script threads -----------------------------------------------------------

const std::vector<std::u16string> kThreaded = {
    u"PUBLIC done = 0",    // 1
    u"THREAD Work(5)",     // 2
    u"REPEAT",             // 3
    u"  SLEEP(0.01)",      // 4
    u"UNTIL done = 1",     // 5
    u"PRINT \"end\"",      // 6
    u"",                   // 7
    u"PROCEDURE Work(n)",  // 8
    u"  x = n * 2",        // 9
    u"  y = x + 1",        // 10
    u"  done = y - 10",    // 11
    u"FEND",               // 12
};

TEST(DebugEngineThreads, ABreakpointInAThreadStopsItAndStepsStayInIt) {
  Debuggee d;
  d.Break({9});
  std::vector<int> threads;
  std::u16string n;
  std::vector<Frame> frames;
  // The main thread loops meanwhile; stepping the thread never stops there.
  auto look = [&](Debuggee& d) {
    threads = d.engine.Threads();
    n = d.Eval(u"n");
    frames = d.engine.Frames();
    d.engine.StepOver();
  };
  d.Run(kThreaded, {look, kStepOver, [](Debuggee& d) { d.Break({}); }});
  ASSERT_EQ(3u, d.stops.size());
  EXPECT_EQ((std::vector<int>{9, 10, 11}), d.StopLines());
  for (const StopRecord& s : d.stops) {
    EXPECT_EQ(1, s.thread);
    EXPECT_EQ(u"WORK", s.function);
  }
  EXPECT_EQ((std::vector<int>{0, 1}), threads);
  EXPECT_EQ(u"5", n);
  ASSERT_EQ(1u, frames.size());
  EXPECT_EQ(1, frames[0].thread);
  EXPECT_EQ(std::vector<std::u16string>{u"end"}, d.printed);
}

TEST(DebugEngineThreads, PauseHoldsEveryThreadAndStopEndsThemAll) {
  Debuggee d;
  d.autoContinue = false;
  std::atomic<bool> bothHeld{false};
  auto whilePaused = [&](Debuggee& d) {
    // The other thread comes to its next row and waits there too.
    for (int i = 0; i < 400 && !bothHeld; ++i) {
      bool main = false, thread = false;
      for (const Frame& f : d.engine.AllFrames()) {
        main = main || f.thread == 0;
        thread = thread || f.thread == 1;
      }
      bothHeld = main && thread;
      if (!bothHeld) os::SleepMs(5);
    }
  };
  std::thread driver([&] {
    while (d.interp.run.runState != kRunRunning || d.engine.Threads().size() < 2) os::SleepMs(5);
    os::SleepMs(50);
    d.engine.Pause();
    while (!bothHeld) os::SleepMs(5);
    d.engine.Stop();
  });
  const int status =
      d.Run({u"PUBLIC t = 0", u"THREAD Spin()", u"WHILE TRUE", u"  t = t + 1", u"WEND",
             u"PROCEDURE Spin()", u"  WHILE TRUE", u"    t = t - 1", u"  WEND", u"FEND"},
            {whilePaused});
  driver.join();
  ASSERT_EQ(1u, d.stops.size());
  EXPECT_EQ(StopReason::kPause, d.stops[0].reason);
  EXPECT_TRUE(bothHeld);
  EXPECT_EQ(kStoppedStatus, status);
}

}  // namespace
}  // namespace zelk
