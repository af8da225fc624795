// What an element of a typed array (a byte array from ENCODE, a SAFEARRAY of
// a fixed kind) can hold: a value written into one is converted to the kind.
#pragma once

#include "runtime/core/value.h"

namespace zelk::vars {

// The whole numbers a kind holds, as doubles (the 64-bit kinds end at the
// largest double below their limit); false for kinds that are no whole
// numbers.
bool WholeNumberRange(VarType kind, double* low, double* high);

// Converts *value to the element kind; false (value unchanged) when it does
// not fit: a number out of range, a text that is no number. Kinds without a
// conversion of their own (Variant, Single, Currency, objects) keep the value.
bool ConvertToElementKind(VarType kind, Value* value);

}  // namespace zelk::vars
