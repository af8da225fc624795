// The run seen from the window: the interpreter runs on a thread of its own,
// and everything it has to tell the window (print lines, stops, traced lines,
// errors) is handed to the window's thread as messages. Questions and error
// boxes are sent, so the run waits for the answer; the rest is posted, so the
// run never waits for the window.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "debugger/debug_engine.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/run_host.h"

namespace zelk::window {

class VariablesPanel;

// Messages the bridge sends or posts to the window (lParam as noted).
enum : UINT {
  kMsgPrintReady = WM_APP + 0x100,  // TakePrintOutput has something
  kMsgStopped,                      // wParam StopReason
  kMsgTraceLine,                    // wParam file, lParam 0-based line
  kMsgRunPrepared,                  // the table exists: editors read-only
  kMsgRunEnded,                     // the thread has finished: Join; wParam the run's number
  kMsgShowError,                    // sent; lParam const std::u16string*
  kMsgAskAbort,                     // sent; lParam const std::u16string*; result 1 = abort
};

// What reached the print window since the last look.
struct PrintOutput {
  bool replace = false;  // the window's text becomes lines (the buffer was trimmed)
  std::vector<std::u16string> lines;
};

class RunBridge final : public RunHost, public DebugFrontEnd {
 public:
  RunBridge(Interpreter& interp, HWND window);
  ~RunBridge() override;
  RunBridge(const RunBridge&) = delete;
  RunBridge& operator=(const RunBridge&) = delete;

  DebugEngine& engine() { return engine_; }
  void SetVariablesPanel(VariablesPanel* panel) { panel_ = panel; }

  // Starts a run of the main script on the run thread; false while one is
  // still going. stopOnEntry: the first statement with a line stops (a step
  // from idle). trace: the engine's trace value.
  bool Start(const std::u16string& mainPath, const std::vector<std::u16string>& params,
             bool stopOnEntry, int trace);
  // The run thread is alive (a run goes on, or is unwinding after a stop).
  bool Active() const { return active_.load(); }
  // After kMsgRunEnded: joins the thread; the run's exit status.
  int Join();
  // Counts the runs started; kMsgRunEnded names the run that ended.
  unsigned Generation() const { return generation_; }
  // Stop, then wait (dispatching this thread's messages) until the run
  // thread has ended; for closing the window.
  void StopAndWait();
  void RequestStop();

  PrintOutput TakePrintOutput();

  // RunHost, on the run thread.
  void PrintLine(const std::u16string& text) override;
  void ReplacePrintWindow(const std::deque<std::u16string>& lines) override;
  void ShowError(const std::u16string& text) override;
  bool AskAbort(const std::u16string& text) override;
  void DebugHook(THensuFmt& context, bool atEnd) override { engine_.Hook(context, atEnd); }
  void ShowErrorRow(THensuFmt& context) override { engine_.ErrorAt(context); }
  void ThreadStarted(int thread) override { engine_.ThreadStarted(thread); }
  void ThreadEnded(int thread) override { engine_.ThreadEnded(thread); }
  void RunPrepared() override;

  // DebugFrontEnd, on the run thread.
  void Stopped(StopReason reason, const std::u16string& text) override;
  void Log(const std::u16string& text) override { PrintLine(text); }
  void TraceLine(SourceLine line) override;
  void RefreshViews(THensuFmt& context) override;
  void ProcessMessages() override;
  // The error box follows the line; the run ends after it.
  bool HoldAtErrors() const override { return false; }

 private:
  int Run(const std::u16string& mainPath, const std::vector<std::u16string>& params);

  Interpreter& interp_;
  HWND window_;
  DebugEngine engine_;
  VariablesPanel* panel_ = nullptr;

  std::thread thread_;
  std::atomic<bool> active_{false};
  std::atomic<bool> stopRequested_{false};
  int status_ = 0;
  unsigned generation_ = 0;

  std::mutex printMutex_;
  PrintOutput print_;
  bool printPosted_ = false;
};

}  // namespace zelk::window
