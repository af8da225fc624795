// Automation events: finding an event in an object's type library, and
// connecting a receiver to the object's connection point for the event
// interface. The receiver gets each event's arguments as ComValues and may
// change the by-reference ones, which go back to the source. POSIX hosts have
// no automation: every call fails (ComAvailable says so).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/com_automation.h"

namespace zelk::os {

// An interface identifier, byte for byte.
struct ComGuid {
  std::uint8_t bytes[16] = {};
  bool operator==(const ComGuid&) const = default;
};

// One argument of an event as the source passed it (last first).
struct ComEventArgument {
  ComValue value;
  // The kind of the variable a by-reference argument points at (kComI4, ...);
  // 0 for an argument passed by value.
  std::uint16_t refType = 0;
  // Set by the receiver: value is to be stored back through the reference.
  bool writeBack = false;
};

// What a connection calls for each event the source raises, on the thread
// whose message loop received it.
class ComEventReceiver {
 public:
  virtual ~ComEventReceiver() = default;
  // False makes the sink answer the source with S_FALSE instead of S_OK.
  virtual bool OnEvent(std::int32_t dispid, std::span<ComEventArgument> arguments) = 0;
};

// Looks through the type library of object for a coclass whose source
// interface is named interfaceName (compared in upper case) and lists
// eventName (compared in upper case): its identifier and the event's
// dispatch identifier. False when the library, the interface or the member
// is missing, or the member's identifier is 0.
bool ComFindEvent(const ComRef& object, std::u16string_view interfaceName,
                  std::u16string_view eventName, ComGuid* iid, std::int32_t* dispid);

// A live connection; destroying it disconnects the sink and lets the
// receiver go.
class ComEventConnection {
 public:
  virtual ~ComEventConnection() = default;
};

// Connects a new sink for interface iid to object's connection point. The
// receiver must outlive the connection.
std::unique_ptr<ComEventConnection> ComConnectEvents(const ComRef& object, const ComGuid& iid,
                                                     ComEventReceiver* receiver,
                                                     std::u16string* failure);

}  // namespace zelk::os
