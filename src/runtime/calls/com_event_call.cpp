// Delivering an event: the handler OLEEVENT registered runs in a fresh context
// on the main thread, as a call does but without RESULT and without binding
// its parameters. It sees EVENT_ID and EVENT_PRM; what it leaves in EVENT_PRM
// goes back to the source for the arguments passed by reference.
#include <algorithm>
#include <exception>
#include <vector>

#include "runtime/calls/calls.h"
#include "runtime/calls/com_events.h"
#include "runtime/calls/com_values.h"
#include "runtime/control/body_runner.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/operators.h"
#include "runtime/expr/tokenizer.h"
#include "runtime/vars/variable_parts.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

// The by-reference kinds a handler may answer: other referenced kinds
// (strings, variants, ...) keep what the source passed.
bool WritesBack(std::uint16_t refType) {
  switch (refType) {
    case os::kComI2:
    case os::kComI4:
    case os::kComR4:
    case os::kComR8:
    case os::kComUI1:
    case os::kComDispatch:
    case os::kComBool:
      return true;
    default:
      return false;
  }
}

// A Boolean reference answers true (-1) for anything not equal to FALSE.
os::ComValue BooleanAnswer(const Value& v, const Interpreter& interp) {
  Value differs;
  const bool isTrue = CompareValues(kTokNotEqual, v, false, Value::Boolean(false), false,
                                    interp.options, &differs) &&
                      differs.AsBoolean();
  os::ComValue answer;
  answer.type = os::kComBool;
  answer.integer = isTrue ? -1 : 0;
  return answer;
}

bool RunHandler(Interpreter& interp, const TEventSkData& record, std::size_t k, std::int32_t dispid,
                std::span<os::ComEventArgument> arguments) {
  // The source passes the arguments last first; an office application's
  // objects pass them in declaration order already.
  const std::size_t n = arguments.size();
  auto argumentAt = [&](std::size_t i) -> os::ComEventArgument& {
    return record.officeOrder ? arguments[i] : arguments[n - 1 - i];
  };

  std::u16string module = record.modules[k];
  int kind = 0;
  const int header = FindFunction(record.handlers[k], kAnyFunctionKind, interp.global, &module,
                                  CallMode::kCall, &kind);
  if (header < 0) return false;

  THensuFmt handler(interp, true);
  handler.baseIndex = header;
  handler.moduleName = module;
  handler.stmtTexts = BodyRows(interp, header);
  handler.callDepth = 1;
  ResetArray(handler, u"EVENT_PRM");
  for (std::size_t i = 0; i < n; ++i)
    AppendElement(handler, u"EVENT_PRM", ValueFromCom(argumentAt(i).value));
  // The handler's own variable, whatever the script's globals are called.
  const int id = vars::CreateWithBounds(interp, handler.vars, u"EVENT_ID", {});
  if (id < 0) return false;
  handler.vars.values[static_cast<std::size_t>(id)].assign(1, Value::Int(dispid));

  RunBody(handler);

  const int prm = handler.vars.names.IndexOf(u"EVENT_PRM");
  if (prm < 0) return interp.run.errorFlag == 0;
  const std::vector<Value>& answers = handler.vars.values[static_cast<std::size_t>(prm)];
  for (std::size_t i = 0; i < n && i < answers.size(); ++i) {
    os::ComEventArgument& argument = argumentAt(i);
    if (!WritesBack(argument.refType)) continue;
    const Value& answer = answers[i];
    if (argument.refType == os::kComBool) {
      argument.value = BooleanAnswer(answer, interp);
    } else if (argument.refType == os::kComDispatch) {
      // Only an object can stand in for an object.
      if (!answer.IsDispatch()) continue;
      argument.value = ComFromValue(answer, false);
    } else {
      argument.value = ComFromValue(answer, false);
    }
    argument.writeBack = true;
  }
  return interp.run.errorFlag == 0;
}

}  // namespace

bool DeliverEvent(Interpreter& interp, std::size_t index, std::int32_t dispid,
                  std::span<os::ComEventArgument> arguments) {
  // Handlers run where the script's main program runs; an object's event
  // raised on a script thread waits for it.
  if (!interp.IsMainThread()) {
    bool delivered = false;
    interp.mainCalls.Run([&] { delivered = DeliverEvent(interp, index, dispid, arguments); });
    return delivered;
  }
  // A run that is ending (an error shown, a stop) runs no more handlers: one
  // would take the error back and let the main program go on.
  if (interp.run.errorFlag != 0 || interp.run.abortLevel > 0) return false;
  EventSinks& table = interp.eventSinks;
  if (index >= table.sinks.size() || !table.sinks[index]) return true;
  // A copy: the handler may disconnect, and so empty, this very record.
  const TEventSkData record = table.data[index];
  auto at = std::find(record.dispids.begin(), record.dispids.end(), dispid);
  if (at == record.dispids.end()) return true;
  const std::size_t k = static_cast<std::size_t>(at - record.dispids.begin());

  table.BeginDelivery();
  bool ok = false;
  try {
    ok = RunHandler(interp, record, k, dispid, arguments);
  } catch (const std::exception&) {
    ok = false;
  }
  table.EndDelivery();
  return ok;
}

}  // namespace zelk
