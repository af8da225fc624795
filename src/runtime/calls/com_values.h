// Script values and automation values: the object cell that holds a server's
// dispatch interface, and the conversions both ways.
#pragma once

#include <cstdint>

#include "platform/com_automation.h"
#include "runtime/core/value.h"

namespace zelk {

// A script object: one reference to a server's dispatch interface.
class ComObjectCell final : public ObjectCell {
 public:
  explicit ComObjectCell(os::ComRef ref) : ref_(std::move(ref)), identity_(os::ComIdentity(ref_)) {}
  std::uintptr_t Identity() const override { return identity_; }
  const os::ComRef& ref() const { return ref_; }

 private:
  os::ComRef ref_;
  std::uintptr_t identity_;
};

// A Dispatch value holding the object (Nothing for an empty reference).
Value ObjectValue(os::ComRef ref);
// The server reference of an object value; empty for any other value.
os::ComRef ComRefOf(const Value& v);

// The script value of what a server returned. Arrays keep their bounds.
Value ValueFromCom(const os::ComValue& v);

// How a script value travels to a server. As an argument (asArgument) a whole
// Double goes as a 32-bit integer, "__EMPTYPARAM__" as an omitted optional
// argument and the narrow and wide strings as OLE strings; otherwise the kind
// stays as it is.
os::ComValue ComFromValue(const Value& v, bool asArgument);

}  // namespace zelk
