// Run control: the buttons and keys that start, pause, step and stop a run,
// the button layouts and the title that show its state, the current line,
// trace, the print window, and the fading of windows over the debugger.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>

#include <algorithm>

#include "base/text_scan.h"
#include "builtins/process/restart_request.h"
#include "debugger_window/main/global_keys.h"
#include "debugger_window/main/main_texts.h"
#include "debugger_window/main/main_window_impl.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"

namespace zelk::window {

using win::W;

namespace {

constexpr UINT_PTR kTimerActive = 2;

}  // namespace

bool MainWindow::ButtonEnabled(int id) const {
  return IsWindowEnabled(GetDlgItem(hwnd_, id)) != FALSE;
}

void MainWindow::ApplyLayout(ButtonLayout layout) {
  layout_ = layout;
  // Load, Run, Pause, Stop, Step In, Step Over.
  bool on[6] = {};
  switch (layout) {
    case ButtonLayout::kStartUp:
      on[0] = true;
      break;
    case ButtonLayout::kIdle:
      on[0] = on[1] = on[4] = on[5] = true;
      break;
    case ButtonLayout::kRunning:
      on[2] = on[3] = true;
      break;
    case ButtonLayout::kStepping:
      on[3] = true;
      break;
    case ButtonLayout::kPaused:
      on[1] = on[3] = on[4] = on[5] = true;
      break;
  }
  const int ids[6] = {kIdLoad, kIdRun, kIdPause, kIdStop, kIdStepIn, kIdStepOver};
  for (int i = 0; i < 6; ++i) {
    HWND button = GetDlgItem(hwnd_, ids[i]);
    if ((IsWindowEnabled(button) != FALSE) != on[i]) EnableWindow(button, on[i]);
  }
}

void MainWindow::SetRunTitle(const std::u16string& suffix) {
  std::u16string title = texts::kCaption;
  if (!scriptName_.empty()) title += u" - " + scriptName_;
  if (!suffix.empty()) title += u" (" + suffix + u")";
  SetWindowTextW(hwnd_, W(title));
}

// A run starts: a step from idle stops at the first statement with a line.
void MainWindow::StartRun(bool stopOnEntry) {
  // A stopped run may still be unwinding; it ends at its next statement.
  if (bridge_->Active()) {
    // Its end, seen while waiting, must not reset the new run's buttons.
    startingRun_ = true;
    bridge_->StopAndWait();
    startingRun_ = false;
  }
  currentFile_ = currentLine_ = -1;
  startedByRun_ = !stopOnEntry;
  restartRequested_ = false;
  RestoreFadedWindows();
  SetTimer(hwnd_, kTimerActive, 500, nullptr);
  StartGlobalRunKeys(hwnd_, hotkeys_);
  WriteEditorCopies();
  for (std::size_t i = 0; i < editors_.size(); ++i) SyncBreakpoints(static_cast<int>(i));
  if (!bridge_->Start(scriptPath_, params_, stopOnEntry, TraceSetting())) StopRun();
}

void MainWindow::Run() {
  if (!ButtonEnabled(kIdRun)) return;
  SetRunTitle(texts::Running());
  ApplyLayout(ButtonLayout::kRunning);
  if (bridge_->Active() && interp_.run.runState == kRunPaused) {
    ClearCurrentLine();
    bridge_->engine().Continue();
    return;
  }
  StartRun(false);
}

void MainWindow::Step(bool over) {
  if (!ButtonEnabled(over ? kIdStepOver : kIdStepIn)) return;
  SetRunTitle(texts::Running());
  ApplyLayout(ButtonLayout::kStepping);
  if (bridge_->Active() && interp_.run.runState == kRunPaused) {
    if (over) {
      bridge_->engine().StepOver();
    } else {
      bridge_->engine().StepIn();
    }
    return;
  }
  if (interp_.run.runState == kRunIdle) StartRun(true);
}

void MainWindow::StepOut() {
  if (!(bridge_->Active() && interp_.run.runState == kRunPaused)) return;
  SetRunTitle(texts::Running());
  ApplyLayout(ButtonLayout::kStepping);
  bridge_->engine().StepOut();
}

void MainWindow::EnterPause() {
  if (!ButtonEnabled(kIdPause)) return;
  bridge_->engine().Pause();
  ApplyLayout(ButtonLayout::kPaused);
}

void MainWindow::StopRun() {
  SetRunTitle(texts::Stopped());
  bridge_->RequestStop();
  ApplyLayout(scriptPath_.empty() && untitled_ && editors_.empty() ? ButtonLayout::kStartUp
                                                                   : ButtonLayout::kIdle);
  for (auto& editor : editors_) {
    editor->ClearHighlight();
    editor->SetReadOnly(false);
  }
  currentFile_ = currentLine_ = -1;
  KillTimer(hwnd_, kTimerActive);
  StopGlobalRunKeys();
  RestoreFadedWindows();
}

void MainWindow::OnStopped(StopReason reason) {
  // An error's line is shown with its box; a stop after the run ended is none.
  if (reason == StopReason::kException || !bridge_->Active()) return;
  ApplyLayout(ButtonLayout::kPaused);
  OnPrintReady();
  const std::vector<Frame> frames = bridge_->engine().Frames();
  if (!frames.empty()) ShowLine(frames.front().where.file, frames.front().where.line);
}

void MainWindow::OnTraceLine(int file, int line) {
  if (!bridge_->Active() || TraceSetting() < 0) return;
  ShowLine(file, line);
}

void MainWindow::OnRunEnded() {
  bridge_->Join();
  DeleteEditorCopies();
  OnPrintReady();
  StopRun();
  // POFF(P_ZELK_REEXEC, TRUE): Run again once this handler has returned, so
  // that the script starts afresh from the editors. A stepped run just ends.
  restartRequested_ = TakeRestartRequest(interp_);
  if (restartRequested_ && startedByRun_) PostMessageW(hwnd_, kMsgRunScript, 0, 0);
}

void MainWindow::OnPrintReady() {
  PrintOutput out = bridge_->TakePrintOutput();
  if (!out.replace && out.lines.empty()) return;
  std::u16string text;
  for (const std::u16string& line : out.lines) {
    text += line;
    text += u"\r\n";
  }
  if (out.replace) {
    SetWindowTextW(print_, W(text));
  } else {
    const LRESULT end = GetWindowTextLengthW(print_);
    SendMessageW(print_, EM_SETSEL, end, end);
    SendMessageW(print_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(text)));
  }
  const LRESULT end = GetWindowTextLengthW(print_);
  SendMessageW(print_, EM_SETSEL, end, end);
  SendMessageW(print_, EM_SCROLLCARET, 0, 0);
}

void MainWindow::ShowLine(int file, int line) {
  if (file < 0 || line < 0 || static_cast<std::size_t>(file) >= editors_.size()) return;
  if (file != activeTab_) {
    if (SourceEditor* active = ActiveEditor()) active->ClearHighlight();
    SelectTab(file);
  } else if (currentFile_ >= 0 && currentFile_ != file &&
             static_cast<std::size_t>(currentFile_) < editors_.size()) {
    editors_[static_cast<std::size_t>(currentFile_)]->ClearHighlight();
  }
  editors_[static_cast<std::size_t>(file)]->HighlightLine(line, true);
  currentFile_ = file;
  currentLine_ = line;
}

void MainWindow::ClearCurrentLine() {
  if (currentFile_ >= 0 && static_cast<std::size_t>(currentFile_) < editors_.size()) {
    editors_[static_cast<std::size_t>(currentFile_)]->ClearHighlight();
  }
}

int MainWindow::TraceSetting() const {
  if (trace_ == nullptr || SendMessageW(trace_, BM_GETCHECK, 0, 0) != BST_CHECKED) {
    return kTraceOff;
  }
  BOOL failed = FALSE;
  const int value = static_cast<int>(
      SendMessageW(traceSpin_, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
  return std::clamp(failed ? 100 : value, -1, 10000);
}

void MainWindow::TraceChanged() {
  if (trace_ == nullptr || traceSpin_ == nullptr || bridge_ == nullptr) return;
  const bool checked = SendMessageW(trace_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  EnableWindow(traceValue_, checked);
  EnableWindow(traceSpin_, checked);
  const int trace = TraceSetting();
  // No more lines shown: the last one shown goes.
  if (!checked || (trace < 0 && lastTraceValue_ >= 0)) ClearCurrentLine();
  if (checked) lastTraceValue_ = trace;
  bridge_->engine().SetTrace(trace);
}

bool MainWindow::HandleKey(WPARAM key, bool shift, bool alt) {
  if (alt) {
    if (key == 'L' && ButtonEnabled(kIdLoad)) {
      Load();
      return true;
    }
    if (key == 'S' && ButtonEnabled(kIdSave)) {
      Save();
      return true;
    }
    return false;
  }
  const int code = static_cast<int>(key);
  if (code == 0) return false;
  if (shift) {
    // Shift with the Step Over key steps out of the routine.
    if (code != hotkeys_[kKeyStepOver]) return false;
    StepOut();
    return true;
  }
  if (code == hotkeys_[kKeyStop] && ButtonEnabled(kIdStop)) {
    StopRun();
  } else if (code == hotkeys_[kKeyRun] && ButtonEnabled(kIdRun)) {
    Run();
  } else if (code == hotkeys_[kKeyPause] && ButtonEnabled(kIdPause)) {
    EnterPause();
  } else if (code == hotkeys_[kKeyStepIn] && ButtonEnabled(kIdStepIn)) {
    Step(false);
  } else if (code == hotkeys_[kKeyStepOver] && ButtonEnabled(kIdStepOver)) {
    Step(true);
  } else {
    return std::find(hotkeys_.begin(), hotkeys_.end(), code) != hotkeys_.end();
  }
  return true;
}

// While a run goes on with transparency mode 2, a window of another program
// that comes to the front over the debugger is faded.
void MainWindow::FadeForegroundWindow() {
  if (interp_.run.runState == kRunIdle || transparencyMode_ != 2) return;
  HWND front = GetForegroundWindow();
  if (front == nullptr || front == hwnd_ || GetAncestor(front, GA_ROOTOWNER) == hwnd_) return;
  DWORD process = 0;
  GetWindowThreadProcessId(front, &process);
  if (process == GetCurrentProcessId()) return;  // our own dialogs
  const std::u16string cls = UpperAscii(Trim(win::WindowClassName(front)));
  const std::u16string title = UpperAscii(Trim(win::WindowTitle(front)));
  if (title.empty() && (cls == u"SHELL_TRAYWND" || cls == u"SYSSHADOW" || cls == u"MS_WINNOTE")) {
    return;
  }
  if (cls == u"THINTWINDOW" || cls == u"TOOLTIPS_CLASS32" || cls == u"TASKSWITCHERWND") return;
  if (title == u"PROGRAM MANAGER" && cls == u"PROGMAN") return;
  if (std::find(fadedWindows_.begin(), fadedWindows_.end(), front) != fadedWindows_.end()) return;
  RECT r;
  GetWindowRect(front, &r);
  if (front == lastForeground_ && EqualRect(&r, &lastForegroundRect_)) return;
  lastForeground_ = front;
  lastForegroundRect_ = r;
  RECT mine, overlap;
  GetWindowRect(hwnd_, &mine);
  if (!IntersectRect(&overlap, &r, &mine)) return;
  SetWindowLongPtrW(front, GWL_EXSTYLE, GetWindowLongPtrW(front, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(front, 0, static_cast<BYTE>(255 - transparencyValue_), LWA_ALPHA);
  fadedWindows_.push_back(front);
}

void MainWindow::RestoreFadedWindows() {
  for (HWND faded : fadedWindows_) {
    if (!IsWindow(faded)) continue;
    SetWindowLongPtrW(
        faded, GWL_EXSTYLE,
        GetWindowLongPtrW(faded, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
  }
  fadedWindows_.clear();
  lastForeground_ = nullptr;
}

}  // namespace zelk::window
