#include "runtime/expr/evaluate_parts.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/operators.h"

namespace zelk::expr {

void ReportTooDeep(THensuFmt& context) {
  ReportError(Msg(u"The expression is nested too deeply", u"式の入れ子が深すぎます"), context);
}

void ReportEvaluationError(THensuFmt& context) {
  bool check = context.interp->run.checkPhase;
  const char16_t* message =
      check ? Msg(u"expression is wrong. or a type isn't correct.",
                  u"式がおかしい or 型が合っていない")
            : Msg(u"a type isn't correct. or overflow.", u"型が合っていない or オーバーフロー");
  ReportError(message, context, false, !check);
}

bool JoinedTextTooLong(const Value& a, const Value& b) {
  const std::size_t left = a.IsString() ? a.AsString().size() : 0;
  const std::size_t right = b.IsString() ? b.AsString().size() : 0;
  return left + right > kMaxTextLength;
}

// The same result as expanding afterwards: the text has no "<#" and no joint
// "<" + "#" is formed, so the piece's escapes read alike alone and in place.
void ExpandBeforeAppend(const Value& v, Value& right, const ScriptOptions& options) {
  if (!v.IsUniqueWideString() || !v.KnownPlain() || !right.IsString() ||
      !HasSpecialChars(right.AsString())) {
    return;
  }
  const std::u16string& text = v.AsString();
  if (!text.empty() && text.back() == u'<' && right.AsString().starts_with(u'#')) return;
  right = Value::String(ExpandSpecialChars(right.AsString(), options), right.type());
}

void FinishNumberOrText(Value& v, const ScriptOptions& options) {
  if (v.IsDouble()) {
    const double d = v.AsDouble();
    const bool fraction = !IsSmallWholeNumber(d) && d != std::trunc(d);
    if (fraction && !options.roundValue) v = Value::Double(RoundTo15Digits(d));
  } else if (v.IsWideString() && !v.KnownPlain()) {
    if (HasSpecialChars(v.AsString())) {
      v = Value::String(ExpandSpecialChars(v.AsString(), options), v.type());
      // Known free of "<#" from here on, so that appends to it stay in place.
      if (!HasSpecialChars(v.AsString())) v.MarkPlain(true);
    } else {
      v.MarkPlain(true);
    }
  }
}

}  // namespace zelk::expr
