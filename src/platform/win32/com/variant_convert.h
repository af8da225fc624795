// ComValue <-> VARIANT, for the invocation code and the event sinks.
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>

#include "platform/com_automation.h"

namespace zelk::os {

// The value of v (a by-reference variant is read through its reference);
// objects and arrays are copied with their own references. False for a kind
// with no counterpart (the value is then Empty).
bool VariantToComValue(const VARIANT& v, ComValue* out);

// A new variant holding v; the caller clears it (VariantClear). False when v
// cannot be represented (out is then VT_EMPTY).
bool ComValueToVariant(const ComValue& v, VARIANT* out);

// Stores v into the variable a by-reference variant points at, converted to
// that variable's kind. False when the conversion fails (nothing written).
bool StoreThroughReference(const ComValue& v, VARIANT* reference);

// The description of a failed call: the server's text when it gave one, else
// the system's text for the code.
std::u16string FailureFromResult(HRESULT hr, EXCEPINFO* info);

}  // namespace zelk::os
