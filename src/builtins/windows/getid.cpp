// GETID: a window by title and class, waited for as long as the call asks
// (or, by default, a little longer after an action that opens windows).
#include <chrono>
#include <cmath>
#include <string>

#include "base/text_scan.h"
#include "builtins/windows/desktop_state.h"
#include "builtins/windows/window_functions.h"
#include "builtins/windows/window_ids.h"
#include "builtins/windows/window_search.h"
#include "platform/windowing.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

bool Stopping(const Interpreter& interp) {
  return interp.run.abortLevel.load() > 0 || interp.run.errorFlag.load() != 0;
}

// The window a special title names, or nullopt-like false when title is none.
bool SpecialWindow(std::u16string_view title, os::WindowHandle* window) {
  using os::OwnWindow;
  if (!title.starts_with(u"__GET_")) return false;
  if (title == u"__GET_ACTIVE_WIN__") {
    *window = os::ForegroundWindow();
  } else if (title == u"__GET_FROMPOINT_WIN__") {
    *window = os::TopWindowOf(os::ControlUnderCursor(), false);
  } else if (title == u"__GET_FROMPOINT_OBJ__") {
    *window = os::ControlUnderCursor();
  } else if (title == u"__GET_LOGPRINT_WIN__") {
    *window = os::OwnWindowHandle(OwnWindow::kPrintWindow);
  } else if (title == u"__GET_STOPFORM_WIN__") {
    *window = os::OwnWindowHandle(OwnWindow::kStopForm);
  } else if (title == u"__GET_THISZELK_WIN__") {
    *window = os::OwnWindowHandle(OwnWindow::kMainWindow);
  } else if (title == u"__GET_FUKIDASI_WIN__") {
    *window = os::OwnWindowHandle(OwnWindow::kBalloon);
  } else if (title == u"__GET_FORM_WIN__") {
    *window = os::OwnWindowHandle(OwnWindow::kForm);
  } else if (title == u"__GET_FORM_WIN2__") {
    *window = os::OwnWindowHandle(OwnWindow::kForm2);
  } else if (title == u"__GET_SCHEDULE_WIN__") {
    const os::WindowHandle about = os::OwnWindowHandle(OwnWindow::kAbout);
    const bool known = about && (UpperText(Trim(os::WindowText(about))) == u"ZELK ABOUT" ||
                                 UpperText(Trim(os::WindowClass(about))) == u"TFVER");
    *window = known ? about : 0;
  } else {
    return false;
  }
  if (!os::IsWindowAlive(*window)) *window = 0;
  return true;
}

os::WindowHandle SearchOnce(const Interpreter& interp, std::u16string_view title,
                            std::u16string_view className, std::u16string_view childTitle) {
  const std::atomic<int>& stop = interp.run.abortLevel;
  const os::WindowHandle foreground = os::ForegroundWindow();
  const std::vector<os::ListedWindow> top = os::ListWindows(0, &stop);
  const int found = FindWindowIn(top, foreground, title, className);
  if (found < 0) return 0;
  os::WindowHandle window = top[static_cast<std::size_t>(found)].handle;
  if (childTitle.empty()) return window;
  const std::vector<os::ListedWindow> children = os::ListWindows(window, &stop);
  const int child = FindWindowIn(children, foreground, childTitle, u"");
  return child < 0 ? 0 : children[static_cast<std::size_t>(child)].handle;
}

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

}  // namespace

void BuiltinGetid(BuiltinCall& call) {
  call.result = Value::Int(-1);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  Interpreter& interp = *context.interp;
  DesktopState& desk = DesktopOf(context);
  CallerDesk& me = desk.callers[static_cast<std::size_t>(CallerIndex(context))];
  const bool mainThread = context.recordIndex == 0;

  std::u16string title = UpperText(a.text[0]);
  if (Trim(title).empty()) title = kNoTitle;
  const std::u16string className = UpperText(Trim(a.text[1]));
  const std::u16string childTitle = UpperText(a.text[3]);
  const double seconds = a.numeric[2] ? a.real[2] : 0.0;
  std::int64_t waitMs = static_cast<std::int64_t>(std::trunc(seconds * 1000.0));
  if (seconds > 0 && waitMs == 0) waitMs = 1;

  os::WindowHandle window = 0;
  if (SpecialWindow(title, &window)) {
    const int id = desk.IdOf(window);
    me.lastGetId = id;
    call.result = Value::Int(id);
    return;
  }

  // The minimum number of attempts and the time limit.
  bool unlimited = false;
  int attempts = 10;
  std::int64_t limitMs = 100;
  const bool pending = desk.actionPending.load();
  if (seconds < 0) {
    unlimited = true;
  } else if (seconds == 0) {
    if (title != me.lastGetIdTitle) {
      me.lastGetIdTitle = title;
      attempts = 20;
      limitMs = 800;
      if (pending) {
        attempts = 40;
        limitMs = 8000;
      }
    }
    if (mainThread) desk.actionPending = false;
  } else {
    attempts = 1;
    limitMs = waitMs;
  }

  const auto start = std::chrono::steady_clock::now();
  int failures = 0;
  for (int tried = 0;;) {
    if (!unlimited && tried >= attempts && ElapsedMs(start) >= limitMs) break;
    if (Stopping(interp)) break;
    window = SearchOnce(interp, title, className, childTitle);
    if (window != 0 || (attempts == 1 && limitMs <= 10 && !unlimited)) break;
    for (int i = 0; i < 2; ++i) {
      os::SleepMs(10);
      os::ProcessMessages();
    }
    ++failures;
    if (++tried > 99999 && unlimited) tried = 1;
  }

  if (window != 0) {
    if (unlimited) os::SleepPumping(20);
    if (failures > 0) {
      for (int i = 0; i < 41 && !os::IsWindowShown(window); ++i) os::SleepPumping(20);
    }
    if (failures > 0 || pending) {
      os::SleepPumping(20);
      os::WaitIdle(window);
    }
    os::SleepMs(2);
    os::Pump(seconds < 0 || waitMs > 10 ? 4 : 2);
  }
  const int id = window ? desk.IdOf(window) : -1;
  me.lastGetId = id;
  call.result = Value::Int(id);
}

}  // namespace zelk
