// What a run needs from the program around the interpreter: the debugger's
// windows, or the console of zelkrun.
#pragma once

#include <deque>
#include <string>

namespace zelk {

struct THensuFmt;

class RunHost {
 public:
  virtual ~RunHost() = default;
  // One line for the print window. The debugger also shows the window when it
  // is hidden and may be shown, and keeps it on the desktop.
  virtual void PrintLine(const std::u16string& text) = 0;
  // The print window has grown well past the line limit: its text becomes
  // these lines (the print-line buffer). A console cannot take lines back.
  virtual void ReplacePrintWindow(const std::deque<std::u16string>& lines) { (void)lines; }
  // The error dialog; returns when the user has closed it.
  virtual void ShowError(const std::u16string& text) = 0;
  // A question after a recoverable error: true to abort the run.
  virtual bool AskAbort(const std::u16string& text) = 0;
  // Before every row (atEnd false) and at the end of a body (atEnd true). The
  // debugger stops, waits and refreshes its views here.
  virtual void DebugHook(THensuFmt& context, bool atEnd) = 0;
  // Before an error is shown: the debugger lets its windows catch up (sleep
  // 20 ms, process messages); a console has nothing to wait for.
  virtual void SettleBeforeDialog();
  // The row of an error about to be shown: the context stands on it. The
  // debugger shows its line (and may stop there until the user goes on).
  virtual void ShowErrorRow(THensuFmt& context) { (void)context; }
  // Preprocessing has made the statement table of a run, which is about to
  // be checked and run; the debugger places its breakpoints on the rows.
  virtual void RunPrepared() {}
  // A script thread has started or is about to end, on that thread; thread
  // is its record (slot + 1). A debugger lists it among the run's threads.
  virtual void ThreadStarted(int thread) { (void)thread; }
  virtual void ThreadEnded(int thread) { (void)thread; }
};

}  // namespace zelk
