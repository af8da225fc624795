// The expression evaluator: one recursive-descent pass over the expression
// text (or its cached tokens), producing one value.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

struct ScriptOptions;

// Evaluates text in the context. Returns false on error: the result is then
// Byte 0 and the error has been reported (or the statement was left). A
// report made inside the evaluation (an undefined name, a failed call) ends it
// at once, silently; while errorFlag is set nothing is evaluated at all.
// allowShortCircuit: a condition that may short-circuit under OPTION SHORTCIRCUIT.
// Empty text gives Empty without error.
// appendTarget: the plain name an assignment stores the result into; an
// expression `NAME + x` may then grow NAME's text in place.
bool Evaluate(std::u16string_view text, THensuFmt& context, Value* result,
              bool allowShortCircuit = false, std::u16string_view appendTarget = {});

// "<#_DBL>", "<#_CR>", "<#_TAB>" always; "<#DBL>", "<#CR>", "<#TAB>" unless
// OPTION SPECIALCHAR.
std::u16string ExpandSpecialChars(std::u16string_view text, const ScriptOptions& options);

}  // namespace zelk
