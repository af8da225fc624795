// CTRLWIN, ACW, GETALLWIN, IDTOHND, HNDTOID, and the family's registration.
#include <string>

#include "builtins/input/input_functions.h"
#include "builtins/windows/desktop_state.h"
#include "builtins/windows/window_functions.h"
#include "builtins/windows/window_ids.h"
#include "platform/platform.h"
#include "platform/windowing.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

enum Command : int {
  kActivate = 1,
  kClose = 2,
  kClose2 = 3,
  kHide = 4,
  kShow = 5,
  kMin = 6,
  kMax = 7,
  kNormal = 8,
  kTopmost = 9,
  kNoTopmost = 10,
  kTopNoActivate = 11,
};

// Ten 10 ms sleeps with message processing, then twenty processing passes:
// the target settles before and after a command.
void Settle() {
  for (int i = 0; i < 10; ++i) {
    os::SleepMs(10);
    os::ProcessMessages();
  }
  os::Pump(20);
}

Value HandleValue(os::WindowHandle window) {
  return Value::Double(static_cast<double>(window));
}

}  // namespace

void WaitBeforeAction(BuiltinCall& call, std::int64_t ms, int minimumMs) {
  if (call.context.recordIndex != 0) {
    if (ms > 0) os::SleepMs(static_cast<int>(std::min<std::int64_t>(ms, 0x7FFFFFFF)));
    return;
  }
  const std::int64_t rest = ms - call.context.interp->run.lastCallGap;
  if (rest > 0) {
    os::SleepPumping(static_cast<int>(std::min<std::int64_t>(rest, 0x7FFFFFFF)));
  } else if (rest >= -9) {
    os::SleepMs(minimumMs);
  }
}

void BuiltinCtrlwin(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  THensuFmt& context = call.context;
  const os::WindowHandle window = WindowOfId(static_cast<int>(call.args.whole[0]), context);
  if (window == 0) return;
  const std::int64_t command = call.args.whole[1];
  if (window == os::OwnWindowHandle(os::OwnWindow::kMainWindow)) {
    // Closing the debugger from its own script stops the script instead.
    if (command == kClose || command == kClose2) context.interp->run.abortLevel = 1;
    return;
  }
  os::WaitIdle(window);
  Settle();
  switch (command) {
    case kActivate:
      os::ForceActivate(window, false);
      break;
    case kClose:
    case kClose2:
      os::PostClose(window, command == kClose2);
      Settle();
      SetActionPending(context);
      break;
    case kHide:
      os::ShowWindowAs(window, os::ShowAs::kHide);
      break;
    case kShow:
      os::ShowWindowAs(window, os::ShowAs::kShow);
      break;
    case kMin:
      os::ShowWindowAs(window, os::ShowAs::kMinimize);
      break;
    case kMax:
      os::ShowWindowAs(window, os::ShowAs::kMaximize);
      break;
    case kNormal:
      os::ShowWindowAs(window, os::ShowAs::kNormal);
      break;
    case kTopmost:
      os::PlaceWindow(window, os::ZOrder::kTopmost, {}, {});
      break;
    case kNoTopmost:
      os::PlaceWindow(window, os::ZOrder::kNoTopmost, {}, {});
      break;
    case kTopNoActivate:
      os::PlaceWindow(window, os::ZOrder::kTopmost, {}, {.activate = false});
      break;
    default:
      os::PostWindowMessage(window, static_cast<std::uint32_t>(command),
                            static_cast<std::intptr_t>(call.args.whole[2]),
                            static_cast<std::intptr_t>(call.args.whole[3]));
  }
  os::Pump(20);
}

void BuiltinAcw(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  DesktopState& desk = DesktopOf(context);
  CallerDesk& me = desk.callers[static_cast<std::size_t>(CallerIndex(context))];
  const bool hasX = a.count > 1 && a.numeric[1];
  const bool hasY = a.count > 2 && a.numeric[2];
  const int x = static_cast<int>(a.whole[1]);
  const int y = static_cast<int>(a.whole[2]);
  me.acwX = x;
  me.acwY = y;
  WaitBeforeAction(call, a.whole[5], 1);
  std::int64_t id = a.whole[0];
  if (id < 0) return;
  if (id == 0 && me.lastGetId > 0) id = me.lastGetId;
  const os::WindowHandle window = desk.HandleOf(id);
  if (window == 0) return;
  const os::ScreenRect now = os::VisibleRect(window);
  const int width = static_cast<int>(a.whole[3]);
  const int height = static_cast<int>(a.whole[4]);
  os::Placing placing;
  placing.move = hasX && hasY && !(x == now.x && y == now.y);
  placing.size = width > 0 && height > 0 && !(width == now.width && height == now.height);
  if (placing.move || placing.size) os::ShowWindowAs(window, os::ShowAs::kShowNormal);
  os::ForceActivate(window, true);
  os::PlaceWindow(window, os::ZOrder::kTop, os::ScreenRect{x, y, width, height}, placing);
}

void BuiltinGetallwin(BuiltinCall& call) {
  call.result = Value::Int(0);
  if (!RequireDesktop(call)) return;
  THensuFmt& context = call.context;
  os::WindowHandle parent = 0;
  if (call.args.count > 0) {
    parent = WindowOfValue(call.args.whole[0], context);
    if (parent == 0) return;
  }
  const std::vector<os::ListedWindow> list =
      os::ListWindows(parent, &context.interp->run.abortLevel);
  DesktopState& desk = DesktopOf(context);
  ClearResult(u"ALL_WIN_ID", context);
  int count = 0;
  for (const os::ListedWindow& w : list) {
    count = AppendResult(u"ALL_WIN_ID", Value::Int(desk.IdOf(w.handle)), context);
  }
  call.result = Value::Int(count);
}

void BuiltinIdtohnd(BuiltinCall& call) {
  call.result = Value::Int(0);
  if (!RequireDesktop(call)) return;
  call.result = HandleValue(DesktopOf(call.context).HandleOf(call.args.whole[0]));
}

void BuiltinHndtoid(BuiltinCall& call) {
  call.result = Value::Int(-1);
  if (!RequireDesktop(call)) return;
  const auto window = static_cast<os::WindowHandle>(call.args.whole[0]);
  call.result = Value::Int(DesktopOf(call.context).IdOf(window));
}

void AddWindowBuiltins(BuiltinBranchTable& table) {
  table.Set(u"GETID", BuiltinGetid);
  table.Set(u"CTRLWIN", BuiltinCtrlwin);
  table.Set(u"ACW", BuiltinAcw);
  table.Set(u"GETALLWIN", BuiltinGetallwin);
  table.Set(u"IDTOHND", BuiltinIdtohnd);
  table.Set(u"HNDTOID", BuiltinHndtoid);
  table.Set(u"STATUS", BuiltinStatus);
  table.Set(u"MONITOR", BuiltinMonitor);
  table.Set(u"GETCTLHND", BuiltinGetctlhnd);
  // Input acts on the same windows and run state; one registration serves both.
  AddInputBuiltins(table);
}

}  // namespace zelk
