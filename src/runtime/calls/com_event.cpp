// OLEEVENT's connections: finding the event in the object's type library,
// one sink per object and event interface, and letting them go again.
#include <algorithm>
#include <string>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "runtime/calls/calls.h"
#include "runtime/calls/com_events.h"
#include "runtime/calls/com_values.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {

// The receiving end of one sink: hands each event to DeliverEvent with the
// sink's slot.
class EventReceiver final : public os::ComEventReceiver {
 public:
  EventReceiver(Interpreter& interp, std::size_t index) : interp_(interp), index_(index) {}
  bool OnEvent(std::int32_t dispid, std::span<os::ComEventArgument> arguments) override {
    return DeliverEvent(interp_, index_, dispid, arguments);
  }
  std::unique_ptr<os::ComEventConnection> connection;

 private:
  Interpreter& interp_;
  std::size_t index_;
};

namespace {

// Objects are the same when their identities are.
bool SameObject(const Value& a, const Value& b) {
  return a.IsDispatch() && b.IsDispatch() && !a.IsNothing() && !b.IsNothing() &&
         a.AsObject()->Identity() == b.AsObject()->Identity();
}

// An office application's objects pass event arguments in declaration order:
// the object reached by following Parent up to the one that is its own parent
// has " EXCEL" or " WORD" in its name.
bool OfficeOrder(const os::ComRef& object) {
  constexpr int kMaxLevels = 64;  // a server whose parents never end
  os::ComRef current = object;
  std::u16string failure;
  for (int level = 0; level < kMaxLevels; ++level) {
    os::ComValue parent;
    if (!os::ComInvokeMember(current, u"Parent", os::ComInvoke::kMethodOrGet, {}, &parent,
                             &failure) ||
        parent.type != os::kComDispatch || !parent.object ||
        os::ComIdentity(parent.object) == os::ComIdentity(current)) {
      break;
    }
    current = parent.object;
  }
  os::ComValue name;
  if (!os::ComInvokeMember(current, u"Name", os::ComInvoke::kMethodOrGet, {}, &name, &failure) ||
      name.type != os::kComString) {
    return false;
  }
  std::u16string upper = UpperAscii(name.text);
  return upper.find(u" EXCEL") != std::u16string::npos ||
         upper.find(u" WORD") != std::u16string::npos;
}

std::u16string NotAcquiredMessage() {
  return Msg(u"Event was not able to be acquired", u"イベントの取得が出来ませんでした");
}

}  // namespace

EventSinks::EventSinks() = default;

EventSinks::~EventSinks() {
  DisconnectAll();
}

void EventSinks::Free(std::size_t i) {
  if (i >= sinks.size()) return;
  std::unique_ptr<EventReceiver> receiver = std::move(sinks[i]);
  data[i] = TEventSkData{};
  if (!receiver) return;
  // Unadvise now; the receiver may be the one running this very handler.
  receiver->connection.reset();
  if (deliveries > 0) retired.push_back(std::move(receiver));
}

void EventSinks::EndDelivery() {
  if (--deliveries == 0) retired.clear();
}

void EventSinks::DisconnectAll() {
  for (std::size_t i = 0; i < sinks.size(); ++i) Free(i);
  if (deliveries == 0) {
    sinks.clear();
    data.clear();
    retired.clear();
  }
}

bool EventSinks::Empty() const {
  return std::none_of(sinks.begin(), sinks.end(), [](const auto& s) { return s != nullptr; });
}

bool ConnectEvent(const Value& object, std::u16string_view interfaceName,
                  std::u16string_view eventName, std::u16string_view handlerName,
                  THensuFmt& context) {
  Interpreter& interp = *context.interp;
  const std::u16string interfaceUpper = UpperAscii(Trim(interfaceName));
  const std::u16string eventUpper = UpperAscii(Trim(eventName));
  const std::u16string handler = UpperAscii(Trim(handlerName));

  std::u16string module = context.moduleName;
  if (FindFunction(handler, kAnyFunctionKind, context, &module, CallMode::kCall, nullptr) < 0) {
    ReportError(JapaneseMessages() ? u"指定関数がありません:" + handler
                                   : handler + u":No specified function",
                context);
    return false;
  }
  os::ComRef ref = ComRefOf(object);
  os::ComGuid iid;
  std::int32_t dispid = 0;
  if (!ref || !os::ComFindEvent(ref, interfaceUpper, eventUpper, &iid, &dispid)) {
    ReportError(NotAcquiredMessage(), context);
    return false;
  }

  EventSinks& table = interp.eventSinks;
  for (std::size_t i = 0; i < table.sinks.size(); ++i) {
    TEventSkData& record = table.data[i];
    if (!table.sinks[i] || !(record.iid == iid) || !SameObject(record.source, object)) continue;
    auto at = std::find(record.dispids.begin(), record.dispids.end(), dispid);
    if (at != record.dispids.end()) {
      const std::size_t k = static_cast<std::size_t>(at - record.dispids.begin());
      record.handlers[k] = handler;
      record.modules[k] = module;
    } else {
      record.dispids.push_back(dispid);
      record.handlers.push_back(handler);
      record.modules.push_back(module);
    }
    return true;
  }

  std::size_t slot = 0;
  while (slot < table.sinks.size() && table.sinks[slot]) ++slot;
  if (slot == table.sinks.size()) {
    table.sinks.emplace_back();
    table.data.emplace_back();
  }
  TEventSkData& record = table.data[slot];
  record.source = object;
  record.iid = iid;
  record.officeOrder = OfficeOrder(ref);
  record.dispids = {dispid};
  record.handlers = {handler};
  record.modules = {module};
  auto receiver = std::make_unique<EventReceiver>(interp, slot);
  std::u16string failure;
  receiver->connection = os::ComConnectEvents(ref, iid, receiver.get(), &failure);
  if (!receiver->connection) {
    record = TEventSkData{};
    std::u16string message = NotAcquiredMessage();
    if (!failure.empty()) message += u": " + failure;
    ReportError(message, context);
    return false;
  }
  table.sinks[slot] = std::move(receiver);
  return true;
}

void DisconnectEvents(const Value& object, Interpreter& interp) {
  EventSinks& table = interp.eventSinks;
  if (object.IsNothing()) {
    for (std::size_t i = 0; i < table.sinks.size(); ++i) table.Free(i);
    return;
  }
  for (std::size_t i = 0; i < table.sinks.size(); ++i) {
    if (table.sinks[i] && SameObject(table.data[i].source, object)) table.Free(i);
  }
}

}  // namespace zelk
