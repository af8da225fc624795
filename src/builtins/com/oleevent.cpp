// OLEEVENT(object, interface, event, handler) makes a script procedure the
// handler of an automation object's event; OLEEVENT(object) disconnects
// every handler of the object, OLEEVENT(NOTHING) every handler of the run.
#include "builtins/builtin_family.h"
#include "foundation/messages.h"
#include "platform/com_automation.h"
#include "runtime/calls/com_events.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

void BuiltinOleevent(BuiltinCall& call) {
  THensuFmt& context = call.context;
  const BuiltinArgs& a = call.args;
  if (!context.interp->IsMainThread()) {
    call.Fail(Msg(u"OleEvent: Can not be used from the thread",
                  u"OleEvent: スレッドからの使用はできません"));
    return;
  }
  if (!os::ComAvailable()) {
    std::u16string message(u"OLEEVENT");
    message += Msg(u" is not available on this platform", u" はこのプラットフォームでは使えません");
    call.Fail(message);
    return;
  }
  const Value& object = a.value[0];
  if (a.count < 2 || a.Text(1).empty()) {
    if (object.IsDispatch()) DisconnectEvents(object, *context.interp);
    return;
  }
  if (!ConnectEvent(object, a.Text(1), a.Text(2), a.Text(3), context)) call.failed = true;
}

}  // namespace

void AddEventBuiltins(BuiltinBranchTable& table) {
  table.Set(u"OLEEVENT", BuiltinOleevent);
}

}  // namespace zelk
