// The built-in function library as the rest of the interpreter sees it: the
// table of 135 names, the dispatcher, and the pre-run check of a built-in call.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

inline constexpr int kBuiltinCount = 135;

// The built-in's number (its position in the name table), or -1. Exact text:
// script text reaches here upper-cased.
int FindBuiltin(std::u16string_view name);
std::u16string_view BuiltinName(int number);

// The numbers served by the math evaluator: 0..11 and 88..91.
bool IsMathBuiltin(int number);

// Runs built-in `number` with the text between the call's parentheses.
// Returns the result; *failed is set when the call reported an error.
Value CallBuiltin(int number, std::u16string_view argumentText, THensuFmt& context, bool* failed);

// The pre-run check of a call of built-in `number` (argument text without
// the parentheses): argument shapes through the expression check, TOKEN's
// variable, the minimum count. Reports the first error found; false then.
bool CheckBuiltinCall(int number, std::u16string_view argumentText, THensuFmt& context);

// Whether argument position (0-based) of built-in `number` is passed as
// source text, unevaluated.
bool IsRawArgument(int number, int position);
int MinimumArguments(int number);

}  // namespace zelk
