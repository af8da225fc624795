// The expression evaluator: one recursive-descent pass over the expression
// text (or its cached tokens), producing one value.
#pragma once

#include <string>
#include <string_view>

#include "runtime/context.h"
#include "runtime/value.h"

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

// The pre-run check's tests, used instead of reading names, calling and
// reading COM members while interp->checkPhase is set. The checker installs
// them once; each reports its own errors. Without them names count as Byte 1
// and calls and member reads as Byte 1, untested.
struct CheckPhaseTests {
  // The placeholder value of a name (Byte 1, or a special name's value).
  Value (*name)(std::u16string_view name, THensuFmt& context) = nullptr;
  void (*call)(std::u16string_view callText, THensuFmt& context) = nullptr;
  void (*comMember)(std::u16string_view text, THensuFmt& context) = nullptr;
};
void SetCheckPhaseTests(const CheckPhaseTests& tests);

}  // namespace zelk
