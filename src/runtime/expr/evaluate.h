// The expression evaluator: one recursive-descent pass over the expression
// text (or its cached tokens), producing one value.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

struct ScriptOptions;
namespace expr {
struct CompiledExpr;
}

// Evaluates text in the context. Returns false on error: the result is then
// Byte 0 and the error has been reported (or the statement was left). A
// report made inside the evaluation (an undefined name, a failed call) ends it
// at once, silently; while errorFlag is set nothing is evaluated at all.
// allowShortCircuit: a condition that may short-circuit under OPTION SHORTCIRCUIT.
// Empty text gives Empty without error.
// appendTarget: the plain name an assignment stores the result into; an
// expression `NAME + x` may then grow NAME's text in place.
// stored: for an assignment to appendTarget; set when the value went straight
// into the target's own scalar, else the caller stores *result itself.
bool Evaluate(std::u16string_view text, THensuFmt& context, Value* result,
              bool allowShortCircuit = false, std::u16string_view appendTarget = {},
              bool* stored = nullptr);

// The compiled form of text, an expression of the context's current row, once
// the row has made one; null until then, or when the text evaluator keeps it.
std::shared_ptr<expr::CompiledExpr> CompiledOf(std::u16string_view text, THensuFmt& context);

// The compiled form of a call row's text (NAME(ARGUMENTS) alone), recorded
// with the row's lists from its second run on; null until then, and for a
// text that is not one call.
expr::CompiledExpr* CompiledCallRow(std::u16string_view text, THensuFmt& context);

// Evaluate for a text whose compiled form the caller kept from CompiledOf.
bool EvaluateCompiled(expr::CompiledExpr& compiled, std::u16string_view text, THensuFmt& context,
                      Value* result);

// Evaluates text in the context for the debugger (a watch, a breakpoint's
// condition), written as in a script (names in any case): nothing is shown, no TRY takes an error,
// and the run's words and the context's place are as before afterwards. The text is not the row's
// and stays out of its token cache. False with the first error's message in *message.
bool EvaluateQuietly(std::u16string_view text, THensuFmt& context, Value* result,
                     std::u16string* message);

// "<#_DBL>", "<#_CR>", "<#_TAB>" always; "<#DBL>", "<#CR>", "<#TAB>" unless
// OPTION SPECIALCHAR.
std::u16string ExpandSpecialChars(std::u16string_view text, const ScriptOptions& options);

}  // namespace zelk
