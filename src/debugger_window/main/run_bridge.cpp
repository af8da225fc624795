#include "debugger_window/main/run_bridge.h"

#include "debugger_window/variables/variables_panel.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"

namespace zelk::window {

RunBridge::RunBridge(Interpreter& interp, HWND window)
    : interp_(interp), window_(window), engine_(interp, *this) {
  interp_.setHost(this);
}

RunBridge::~RunBridge() {
  StopAndWait();
  interp_.setHost(nullptr);
}

bool RunBridge::Start(const std::u16string& mainPath, const std::vector<std::u16string>& params,
                      bool stopOnEntry, int trace) {
  if (active_) return false;
  if (thread_.joinable()) thread_.join();
  active_ = true;
  stopRequested_ = false;
  const unsigned generation = ++generation_;
  interp_.run.runState = kRunRunning;
  thread_ = std::thread([this, mainPath, params, stopOnEntry, trace, generation] {
    engine_.RunStarting(stopOnEntry);
    engine_.SetTrace(trace);
    status_ = Run(mainPath, params);
    engine_.RunEnded();
    active_ = false;
    PostMessageW(window_, kMsgRunEnded, generation, 0);
  });
  return true;
}

// Each file is read from its editor's "<path>$$$" copy where the window
// left one, so that unsaved edits run.
int RunBridge::Run(const std::u16string& mainPath, const std::vector<std::u16string>& params) {
  interp_.SetMainThread();
  return FinishRun(interp_,
                   PlayScript(interp_, mainPath, params, ScriptAssembly::Source::kEditorCopies));
}

int RunBridge::Join() {
  if (thread_.joinable() && !active_) thread_.join();
  return status_;
}

void RunBridge::RequestStop() {
  stopRequested_ = true;
  engine_.Stop();
}

void RunBridge::StopAndWait() {
  if (!thread_.joinable()) return;
  RequestStop();
  // The run may be sending this thread a question: keep dispatching.
  while (active_) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    os::ProcessMessages();
    if (!active_) break;
    engine_.Stop();
  }
  // The window may have joined it meanwhile, on the message of its end.
  if (thread_.joinable()) thread_.join();
}

PrintOutput RunBridge::TakePrintOutput() {
  std::lock_guard lock(printMutex_);
  PrintOutput out = std::move(print_);
  print_ = {};
  printPosted_ = false;
  return out;
}

void RunBridge::PrintLine(const std::u16string& text) {
  std::lock_guard lock(printMutex_);
  print_.lines.push_back(text);
  if (!printPosted_) printPosted_ = PostMessageW(window_, kMsgPrintReady, 0, 0) != 0;
}

void RunBridge::ReplacePrintWindow(const std::deque<std::u16string>& lines) {
  std::lock_guard lock(printMutex_);
  print_.replace = true;
  print_.lines.assign(lines.begin(), lines.end());
  if (!printPosted_) printPosted_ = PostMessageW(window_, kMsgPrintReady, 0, 0) != 0;
}

void RunBridge::ShowError(const std::u16string& text) {
  engine_.ErrorStop(text);
  SendMessageW(window_, kMsgShowError, 0, reinterpret_cast<LPARAM>(&text));
}

bool RunBridge::AskAbort(const std::u16string& text) {
  return SendMessageW(window_, kMsgAskAbort, 0, reinterpret_cast<LPARAM>(&text)) != 0;
}

void RunBridge::RunPrepared() {
  engine_.RunPrepared();
  // A stop that came while the run was starting: preprocessing forgot it.
  if (stopRequested_) engine_.Stop();
  PostMessageW(window_, kMsgRunPrepared, 0, 0);
}

void RunBridge::Stopped(StopReason reason, const std::u16string& text) {
  (void)text;
  PostMessageW(window_, kMsgStopped, static_cast<WPARAM>(reason), 0);
}

void RunBridge::TraceLine(SourceLine line) {
  PostMessageW(window_, kMsgTraceLine, static_cast<WPARAM>(line.file),
               static_cast<LPARAM>(line.line));
}

void RunBridge::RefreshViews(THensuFmt& context) {
  if (panel_) panel_->Refresh(context);
}

void RunBridge::ProcessMessages() {
  // Windows the script opened on the run thread (its dialogs) stay alive.
  os::ProcessMessages();
}

}  // namespace zelk::window
