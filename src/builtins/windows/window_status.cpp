// STATUS, MONITOR and GETCTLHND: what a script reads about a window.
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

enum StatusItem : int {
  kX = 1,
  kY,
  kWidth,
  kHeight,
  kClientX,
  kClientY,
  kClientWidth,
  kClientHeight,
  kTitle,
  kIcon,
  kMaximized,
  kVisible,
  kActive,
  kClass,
  kBusy,
  kParent,
  kPath,
  kProcess,
  kWin64,
  kMonitor,
  kIsId,
  kJava,
};

enum MonitorItem : int { kMonX = 0, kMonY, kMonWidth, kMonHeight, kMonPrimary, kMonName };

Value StatusOf(os::WindowHandle window, std::int64_t item, THensuFmt& context) {
  switch (item) {
    case kX:
      return Value::Int(os::VisibleRect(window).x);
    case kY:
      return Value::Int(os::VisibleRect(window).y);
    case kWidth:
      return Value::Int(os::VisibleRect(window).width);
    case kHeight:
      return Value::Int(os::VisibleRect(window).height);
    case kClientX:
      return Value::Int(os::ClientArea(window).x);
    case kClientY:
      return Value::Int(os::ClientArea(window).y);
    case kClientWidth:
      return Value::Int(os::ClientArea(window).width);
    case kClientHeight:
      return Value::Int(os::ClientArea(window).height);
    case kTitle:
      return Value::String(Trim(os::WindowText(window)));
    case kIcon:
      return Value::Boolean(os::IsMinimized(window));
    case kMaximized:
      return Value::Boolean(os::IsMaximized(window));
    case kVisible:
      return Value::Boolean(os::IsWindowShown(window));
    case kActive:
      return Value::Boolean(os::ForegroundWindow() == window);
    case kClass:
      return Value::String(Trim(os::WindowClass(window)));
    case kBusy:
      return Value::Boolean(os::IsBusy(window, 88));
    case kParent:
      return Value::Int(IdOfWindow(os::ParentWindow(window), context));
    case kPath:
      return Value::String(os::ProcessPathOf(window));
    case kProcess:
      return Value::Int(os::ProcessIdOf(window));
    case kWin64:
      return Value::Boolean(os::IsProcess64(window));
    case kMonitor:
      return Value::Int(os::MonitorOfWindow(window));
    case kIsId:
      return Value::Boolean(true);
    case kJava: {
      bool isJava = false;
      std::u16string message = os::JavaWindowCheck(window, &isJava);
      if (!message.empty()) return Value::String(std::move(message));
      return Value::Boolean(isJava);
    }
    default:
      return Value::Boolean(false);
  }
}

}  // namespace

void BuiltinStatus(BuiltinCall& call) {
  call.result = Value::Boolean(false);
  if (!RequireDesktop(call)) return;
  const std::int64_t item = call.args.whole[1];
  const os::WindowHandle window = WindowOfId(static_cast<int>(call.args.whole[0]), call.context);
  if (window == 0) {
    if (item == kProcess) call.result = Value::Int(0);
    return;
  }
  call.result = StatusOf(window, item, call.context);
}

void BuiltinMonitor(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  if (call.args.count == 0) {
    call.result = Value::Int(os::MonitorCount());
    return;
  }
  call.result = Value::Boolean(false);
  os::MonitorFacts facts;
  if (!os::MonitorAt(static_cast<int>(call.args.whole[0]), &facts)) return;
  switch (call.args.whole[1]) {
    case kMonX:
      call.result = Value::Int(facts.bounds.x);
      break;
    case kMonY:
      call.result = Value::Int(facts.bounds.y);
      break;
    case kMonWidth:
      call.result = Value::Int(facts.bounds.width);
      break;
    case kMonHeight:
      call.result = Value::Int(facts.bounds.height);
      break;
    case kMonPrimary:
      call.result = Value::Boolean(facts.primary);
      break;
    case kMonName:
      call.result = Value::String(facts.name);
      break;
    default:
      break;
  }
}

void BuiltinGetctlhnd(BuiltinCall& call) {
  call.result = Value::Int(0);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  const os::WindowHandle window = WindowOfValue(a.whole[0], call.context);
  if (window == 0) return;
  const std::u16string& name = a.text[1];
  if (name == u"__GET_MENU_HND__") {
    call.result = Value::Double(static_cast<double>(os::MenuOf(window)));
    return;
  }
  if (name == u"__GET_SYSMENU_HND__") {
    call.result = Value::Double(static_cast<double>(os::SystemMenuOf(window)));
    return;
  }
  const std::int64_t wanted = a.whole[2] <= 0 ? 1 : a.whole[2];
  const std::vector<os::ListedWindow> children =
      os::ListWindows(window, &call.context.interp->run.abortLevel);
  const std::u16string caption = UpperText(NormalizeCaption(name));
  const std::u16string halfCaption = HalfWidth(caption);
  std::int64_t seen = 0;
  for (const os::ListedWindow& child : children) {
    // The listing's titles are cut and trimmed; the caption rules need the raw text.
    const std::u16string own = UpperText(NormalizeCaption(os::WindowText(child.handle)));
    if ((own == caption || HalfWidth(own) == halfCaption) && ++seen == wanted) {
      call.result = Value::Double(static_cast<double>(child.handle));
      return;
    }
  }
  const std::u16string className = UpperText(Trim(name));
  seen = 0;
  for (const os::ListedWindow& child : children) {
    if (child.className == className && ++seen == wanted) {
      call.result = Value::Double(static_cast<double>(child.handle));
      return;
    }
  }
}

}  // namespace zelk
