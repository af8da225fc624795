// The debug engine: before a row runs it decides whether the run stops there
// (a breakpoint, a step, the pause button, an error), holds the run while it
// is paused, slows it down while tracing, and answers what the front end asks
// about the stopped run: its frames, their variables, expressions. It keeps
// no window; a front end (the debugger window, the DAP server) hears from it
// through DebugFrontEnd and drives it through the control calls below.
//
// Threads: Hook, ErrorAt and ErrorStop run on the thread that runs the row:
// the run's main thread or a script thread. A stop holds every thread of the
// run (each waits in its hook); one of them reports the stop to the front
// end, and steps go on in that thread. The control calls and the queries may
// come from any thread; a query runs on a held thread while the run waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "debugger/hit_condition.h"
#include "debugger/variable_view.h"
#include "runtime/core/interpreter.h"

namespace zelk {

enum class StopReason { kEntry, kStep, kBreakpoint, kPause, kException };

// A place in the sources: file index (as the assembly numbers the files)
// and 0-based line; -1 for none.
struct SourceLine {
  int file = -1;
  int line = -1;
  bool operator==(const SourceLine&) const = default;
};

class DebugFrontEnd {
 public:
  virtual ~DebugFrontEnd() = default;
  // The run has stopped and waits in the hook until a control call lets it go.
  virtual void Stopped(StopReason reason, const std::u16string& text) = 0;
  // A logpoint's message, or a note of the engine's own (a failed condition).
  virtual void Log(const std::u16string& text) = 0;
  // The line of the row about to run while tracing (a delay of 0 or more).
  virtual void TraceLine(SourceLine line) { (void)line; }
  // The variable views are to be refilled: at a stop, and at every row while
  // tracing.
  virtual void RefreshViews(THensuFmt& context) { (void)context; }
  // One pass of window-message processing, on the interpreter's thread.
  virtual void ProcessMessages() {}
  // Whether a run-time error holds the run at its line until the user goes
  // on (true), or only shows the line before the error dialog (false).
  virtual bool HoldAtErrors() const { return true; }
};

struct BreakpointRequest {
  int line = -1;  // 0-based
  std::u16string condition;
  std::u16string hitCondition;
  std::u16string logMessage;
};

struct Frame {
  THensuFmt* context = nullptr;
  int thread = 0;       // 0 the main thread, slot + 1 a script thread
  std::u16string name;  // the routine, "__MAIN__" for the main program
  SourceLine where;
};

// Trace off (the other values are delays in ms: -1 none, no line shown).
inline constexpr int kTraceOff = -1000;

class DebugEngine {
 public:
  DebugEngine(Interpreter& interp, DebugFrontEnd& front);
  ~DebugEngine();
  DebugEngine(const DebugEngine&) = delete;
  DebugEngine& operator=(const DebugEngine&) = delete;

  // --- interpreter side -----------------------------------------------------
  // Before a run: forget the last run's stop bookkeeping; the first row with
  // a source line stops when stopOnEntry.
  void RunStarting(bool stopOnEntry);
  // The table of the run exists: breakpoints are placed on its rows.
  void RunPrepared();
  void RunEnded();
  // Called before a row (atEnd false) and at a body's end (atEnd true).
  void Hook(THensuFmt& context, bool atEnd);
  // A script thread has started or ended (its thread record, slot + 1).
  void ThreadStarted(int thread);
  void ThreadEnded(int thread);
  // A run-time error is about to be shown at the context's row; ErrorStop
  // then holds the run there (when the front end wants it) with the message.
  void ErrorAt(THensuFmt& context);
  void ErrorStop(const std::u16string& message);

  // --- controls (any thread) ------------------------------------------------
  void Continue();
  // Steps go on in the given thread (0 main, slot + 1 a script thread), or
  // in the one whose stop was reported.
  void StepIn(int thread = -1);
  void StepOver(int thread = -1);
  void StepOut(int thread = -1);
  void Pause();
  void Stop();
  // A delay in ms (-1: tracing without showing lines), or kTraceOff.
  void SetTrace(int delayMs);
  int Trace() const { return traceDelay_.load(); }
  bool Paused() const;

  // Replaces the breakpoints of a file; takes effect at once, also while the
  // run goes on. Lines are 0-based.
  void SetBreakpoints(int file, const std::vector<BreakpointRequest>& requests);

  // --- queries while paused -------------------------------------------------
  // Runs work on the interpreter's thread while the run waits in the hook;
  // false when the run is not paused.
  bool WhilePaused(const std::function<void()>& work);
  // The frames of the reported stop, innermost first; empty while not paused.
  // They come first among AllFrames, whose index is a frame's number.
  std::vector<Frame> Frames() const;
  // The frames of every held thread: the reported stop's first.
  std::vector<Frame> AllFrames() const;
  // The thread whose stop was reported last.
  int StoppedThread() const;
  // The threads of the run: 0 the main one, then slot + 1 of each script
  // thread that has started and not ended.
  std::vector<int> Threads() const;
  // Evaluates text in the frame's context without side effects on the run's
  // state; false with the message in *message. Only on the interpreter's
  // thread (inside WhilePaused, or from the front end's own handlers there).
  bool Evaluate(int frame, std::u16string_view text, Value* value, std::u16string* message);

  // The line a row's source reference names.
  SourceLine LineOfRow(std::int32_t row) const;

 private:
  enum class Step { kNone, kIn, kOver, kOut };
  // Where a held thread stands: a step there starts from it.
  struct Held {
    std::int32_t base = -1;
    std::int32_t depth = 0;
  };
  struct Breakpoint {
    BreakpointRequest request;
    std::optional<HitCondition> hit;
    std::int64_t hits = 0;
  };

  bool CheckStop(THensuFmt& context, bool atEnd, StopReason* reason, std::u16string* text);
  bool BreakpointStops(THensuFmt& context, SourceLine at, std::u16string* text);
  std::u16string ExpandLogMessage(THensuFmt& context, const std::u16string& message);
  void HoldStopped(THensuFmt& context, StopReason reason, const std::u16string& text);
  void PauseLoop(bool mainThread);
  void TraceDelay(int ms, bool mainThread);
  void Resume(Step step, int thread);
  void UpdateWatch();
  void MarkRows(int file);
  // reported: the stop the front end hears of, whose line is current_.
  std::vector<Frame> SnapshotFrames(THensuFmt& context, bool reported) const;
  bool Stopping() const;

  Interpreter& interp_;
  DebugFrontEnd& front_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t wakes_ = 0;  // counts wake-ups, so that every waiter sees each
  std::deque<std::function<void()>*> tasks_;
  std::condition_variable tasksDone_;
  int holding_ = 0;  // threads of the run waiting in PauseLoop
  std::map<int, Held> held_;
  int reporting_ = -1;  // the thread whose stop the front end heard of, -1 none
  int stoppedThread_ = 0;
  std::vector<int> threads_;  // script threads running (their records)

  // Stop decisions (the Part's StepOverBase and CurrentBase, and the depth
  // that keeps Step Over and Step Out out of deeper calls of the same body).
  std::atomic<Step> step_{Step::kNone};
  int stepThread_ = -1;  // the thread a step goes on in; -1 any
  bool entryPending_ = false;
  std::int32_t stepBase_ = -1;
  std::int32_t stepDepth_ = -1;
  std::int32_t currentBase_ = -1;
  std::int32_t currentDepth_ = 0;
  SourceLine current_;
  std::atomic<int> traceDelay_{kTraceOff};

  // Breakpoints by file and 0-based line, and the rows of each line of the
  // prepared table.
  std::map<int, std::map<int, Breakpoint>> breakpoints_;
  bool prepared_ = false;
  std::vector<SourceLine> rowLines_;
  std::map<std::pair<int, int>, std::vector<std::int32_t>> lineRows_;

  // The stop the run waits in.
  THensuFmt* errorContext_ = nullptr;
  std::vector<Frame> frames_;
};

}  // namespace zelk
