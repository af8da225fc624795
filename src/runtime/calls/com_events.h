// OLEEVENT: script procedures as handlers of an automation object's events.
// EventSinks holds, per connected source interface of an object, its sink
// (TEventSink on the system's side) and the record of its handlers; every
// handler runs on the main thread in a fresh context with EVENT_ID and
// EVENT_PRM, and may answer by-reference arguments through EVENT_PRM.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com_events.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

class Interpreter;
class EventReceiver;

// What a sink knows (TEventSkData): the source, its event interface, whether
// its arguments come in declaration order (an office application's objects),
// and per registered event its dispatch identifier, handler and module.
struct TEventSkData {
  Value source;
  os::ComGuid iid;
  bool officeOrder = false;
  std::vector<std::int32_t> dispids;
  std::vector<std::u16string> handlers;
  std::vector<std::u16string> modules;
};

class EventSinks {
 public:
  EventSinks();
  ~EventSinks();
  EventSinks(const EventSinks&) = delete;
  EventSinks& operator=(const EventSinks&) = delete;

  // Slots may be empty (a null receiver); data runs parallel.
  std::vector<std::unique_ptr<EventReceiver>> sinks;
  std::vector<TEventSkData> data;
  // Events being delivered now: a handler may disconnect its own sink, whose
  // receiver then waits in retired until the delivery is over.
  int deliveries = 0;
  std::vector<std::unique_ptr<EventReceiver>> retired;

  void BeginDelivery() { ++deliveries; }
  void EndDelivery();
  // Frees slot i (disconnecting its sink).
  void Free(std::size_t i);
  // End of a run: every sink disconnected.
  void DisconnectAll();
  bool Empty() const;
};

// OLEEVENT(object, interface, event, handler); false after a report.
bool ConnectEvent(const Value& object, std::u16string_view interfaceName,
                  std::u16string_view eventName, std::u16string_view handlerName,
                  THensuFmt& context);
// Every sink of object; with an object of Nothing, every sink of the run.
void DisconnectEvents(const Value& object, Interpreter& interp);

// The event dispid raised at the source of sink slot index: runs its handler.
// False when the delivery failed (the sink answers S_FALSE).
bool DeliverEvent(Interpreter& interp, std::size_t index, std::int32_t dispid,
                  std::span<os::ComEventArgument> arguments);

}  // namespace zelk
