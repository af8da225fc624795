// What the text evaluator and the compiled form share: the messages of a
// failed evaluation and the last steps every result takes.
#pragma once

#include "runtime/core/context.h"
#include "runtime/core/value.h"
#include "runtime/expr/operators.h"

namespace zelk {

struct ScriptOptions;

namespace expr {

void ReportTooDeep(THensuFmt& context);
// The message of an operand that does not convert (or an overflow).
void ReportEvaluationError(THensuFmt& context);

// The text the two operands of "+" would join to is longer than a value may
// hold (a number's text is short enough not to count).
bool JoinedTextTooLong(const Value& a, const Value& b);

// `T = T + "<#CR>"` in a loop: the text grown in place stays free of "<#" when
// the piece is expanded now, so the end of the evaluation need not expand
// (and copy) the whole text again.
void ExpandBeforeAppend(const Value& v, Value& right, const ScriptOptions& options);

// FinishResult for a number that may have a fraction or a wide text.
void FinishNumberOrText(Value& v, const ScriptOptions& options);

// A fraction rounded to 15 digits (unless OPTION ROUNDVALUE), a text's
// "<#...>" forms expanded. Inline: most results are whole numbers or other
// kinds, which need nothing.
inline void FinishResult(Value& v, const ScriptOptions& options) {
  if (v.IsDouble() ? !IsSmallWholeNumber(v.AsDouble()) : v.IsWideString()) {
    FinishNumberOrText(v, options);
  }
}

}  // namespace expr
}  // namespace zelk
