// Changing a variable's value by hand while the run is paused: the text the
// value box starts with, the description of the variable's kind, and the
// value the typed text stands for.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "debugger/variable_view.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// The whole text of a value for the value box: as the grid shows it, but
// not cut (so that OK on a long text does not shorten it).
std::u16string EditText(const Value& value);
// The value of scalar variable index of the context (the global table under
// its lock); false when there is no such scalar.
bool ScalarValue(const THensuFmt& context, int index, Value* value);

// The value text with every control character (0-31) written "<#n>", so it
// fits a one-line box; *escaped tells whether any was.
std::u16string EscapeForEdit(std::u16string_view text, bool* escaped);

// What the value box's kind label says: "NUMERICAL", "STRING type" ... in the
// message language; empty for kinds it has no word for. valueText tells a
// Dispatch holding an object from NOTHING.
std::u16string KindDescription(int kind, std::u16string_view valueText);

// A question the edit has to ask: is the typed word meant as text, or as the
// special value it names?
struct KindQuestion {
  std::u16string prompt;
  std::u16string textChoice;   // answer 0
  std::u16string valueChoice;  // answer 1
};
// The answer's index, or -1 when the user gave none.
using AskKind = std::function<int(const KindQuestion&)>;

// The value the typed text stands for, replacing a variable of kind oldKind.
// escaped: the box's text was made by EscapeForEdit with escapes.
Value EditedValue(std::u16string_view text, int oldKind, bool escaped, const AskKind& ask);

// The hint over a grid row: name, value and kind name on three lines.
std::u16string VariableHint(const VariableRow& row);

}  // namespace zelk
