// CLKITEM and CHKBTN, and the family's registration.
#include <exception>
#include <mutex>
#include <string>

#include "builtins/items/item_functions.h"
#include "builtins/items/item_names.h"
#include "builtins/items/item_search.h"
#include "builtins/windows/desktop_state.h"
#include "builtins/windows/window_ids.h"
#include "platform/control_items.h"
#include "platform/windowing.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

using namespace os::item_kind;

// The result of a request that asks for a state: -1 not found; TRUE for a
// tab, list entry or toolbar button (they have none); else the state.
Value StateResult(const os::ItemAnswer& answer) {
  if (!answer.found) return Value::Int(-1);
  if (answer.kind == kTab || answer.kind == kList || answer.kind == kToolbar) {
    return Value::Boolean(true);
  }
  return Value::Int(answer.state);
}

// The shared procedure of CLKITEM and CHKBTN on a resolved request.
void RunRequest(BuiltinCall& call, std::int64_t id, const ItemRequest& request) {
  const bool askState = (request.kinds & kCheck) != 0;
  call.result = askState ? Value::Int(-1) : Value::Boolean(false);
  if (id <= 0) return;
  THensuFmt& context = call.context;
  const os::WindowHandle window = WindowOfId(static_cast<int>(id), context);
  if (window == 0) return;
  os::Pump(20);
  os::WaitIdle(window);
  DesktopState& desk = DesktopOf(context);
  os::ItemAnswer answer;
  std::u16string error;
  bool searched = false;
  try {
    // Keys and clicks of the engines never interleave with another thread's.
    std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
    searched = FindItem(window, request, &context.interp->run.abortLevel, &answer, &error);
  } catch (const std::exception& e) {
    const char* what = e.what();
    error.assign(what, what + std::char_traits<char>::length(what));
  }
  if (!searched) {
    call.Fail(u"FucCLKITEM:" + error);
    return;
  }
  if (askState) {
    call.result = StateResult(answer);
    return;
  }
  call.result = Value::Boolean(answer.found);
  if (answer.found) {
    os::Pump(20);
    os::WaitIdle(window);
  }
}

}  // namespace

void BuiltinClkitem(BuiltinCall& call) {
  call.result = Value::Boolean(false);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  ItemRequest request;
  request.name = a.text[1];
  request.kinds = RequestedKinds(a.numeric[2] ? static_cast<std::uint32_t>(a.whole[2]) : 0);
  request.check = a.numeric[3] ? WantedCheck(a.whole[3]) : 1;
  request.n = a.numeric[4] ? a.whole[4] : 1;
  RunRequest(call, a.whole[0], request);
}

void BuiltinChkbtn(BuiltinCall& call) {
  call.result = Value::Int(-1);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  ItemRequest request;
  request.name = a.text[1];
  request.kinds = kCheckButtonKinds;
  request.n = a.numeric[2] && a.whole[2] >= 1 ? a.whole[2] : 1;
  const std::int64_t acc = a.numeric[3] ? a.whole[3] : 0;
  if (acc == 0) {
    RunRequest(call, a.whole[0], request);
    return;
  }
  // Only the accessibility search, for a button's check state.
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), call.context);
  if (a.whole[0] <= 0 || window == 0) return;
  if (acc != 2) os::ForceActivate(window, false);
  os::ItemQuery query;
  query.kinds = kCheck | kButton | kAcc;
  query.n = static_cast<int>(request.n);
  query.name = ItemName(request.name, false).Matcher();
  query.stop = &call.context.interp->run.abortLevel;
  const os::ItemAnswer answer = os::FindAccessibleItem(window, query);
  if (answer.found) call.result = Value::Int(answer.state);
}

void AddItemBuiltins(BuiltinBranchTable& table) {
  table.Set(u"CLKITEM", BuiltinClkitem);
  table.Set(u"CHKBTN", BuiltinChkbtn);
  table.Set(u"GETSLIDER", BuiltinGetslider);
  table.Set(u"SETSLIDER", BuiltinSetslider);
}

}  // namespace zelk
