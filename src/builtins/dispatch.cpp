// The built-in dispatcher: the argument list is evaluated once, uniformly,
// into the vectors of BuiltinArgs and checked against the function's
// argument rules; then the family's branch runs.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variable_parts.h"

namespace zelk {
namespace {

const BuiltinBranchTable& Branches() {
  static const BuiltinBranchTable table = [] {
    BuiltinBranchTable t;
    AddEventBuiltins(t);
    AddStringBuiltins(t);
    AddArrayBuiltins(t);
    AddFileBuiltins(t);
    AddDialogBuiltins(t);
    AddWindowBuiltins(t);
    AddImageBuiltins(t);
    AddProcessBuiltins(t);
    AddTextBuiltins(t);
    AddItemBuiltins(t);
    AddComBuiltins(t);
    return t;
  }();
  return table;
}

// The dispatcher's own errors stop the run: no TRY takes them.
void ReportStop(std::u16string_view message, THensuFmt& context) {
  ReportError(message, context, false, false);
}

std::u16string DecimalText(std::int64_t n) {
  char buf[24];
  int length = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(n));
  return std::u16string(buf, buf + length);
}

// The run-time maximum's message, for the functions that have one of their own.
std::u16string TooManyMessage(int number) {
  switch (number) {
    case kBuiltinSleep:
      return Msg(u"SLEEP: Too many argument", u"SLEEP: 引数の数が多すぎます");
    case kBuiltinQsort:
      return Msg(u"QSORT: Too many arguments", u"QSORT：引数が多すぎます");
    default:
      return Msg(u"Too many argument", u"引数の数が多すぎます");
  }
}

// The position's text from its evaluated value.
void ArgumentText(int number, int position, const Value& value, std::u16string_view source,
                  std::u16string* text) {
  if (number == kBuiltinVartype && position == 0) {
    text->clear();
    return;
  }
  switch (value.type()) {
    case kVtBoolean:
      // The stored 16-bit value read as signed: a COM true is -1.
      *text = DecimalText(static_cast<std::int16_t>(value.AsInt()));
      return;
    case kVtNull:
      text->clear();
      return;
    case kVtDispatch:
      if (number == kBuiltinXlclose && position == 0) {
        text->assign(source);
      } else {
        *text = DecimalText(
            value.IsNothing() ? 0 : static_cast<std::int64_t>(value.AsObject()->Identity()));
      }
      return;
    case kVtError:
      *text = u"ERROR";
      return;
    default:
      if (!value.ToText(text)) text->clear();
  }
}

// IsNumberText with trimming and a strict exponent, without the trimmed
// copy: most texts fail on their characters at once.
bool IsNumberArgument(std::u16string_view text) {
  text = TrimArgument(text);
  if (text.empty()) return false;
  if (text[0] != u'$') {
    for (char16_t c : text) {
      if (!((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'e' ||
            c == u'E')) {
        return false;
      }
    }
  }
  return IsNumberText(text, true, true);
}

std::int64_t TruncatedWhole(double real) {
  constexpr double kLimit = 9223372036854775807.0;
  if (!(real > -kLimit)) return INT64_MIN;
  if (real >= kLimit) return INT64_MAX;
  return static_cast<std::int64_t>(real);
}

// Built-ins that read their first texts through BuiltinArgs::Text and keep
// none of them beyond the call.
bool ReadsTextViews(int number) {
  static const std::array<bool, kBuiltinCount> viewing = [] {
    std::array<bool, kBuiltinCount> v{};
    for (std::u16string_view name : {u"POS", u"REPLACE", u"CHGMOJ"}) {
      const int n = FindBuiltin(name);
      if (n >= 0) v[static_cast<std::size_t>(n)] = true;
    }
    return v;
  }();
  return number >= 0 && number < kBuiltinCount && viewing[static_cast<std::size_t>(number)];
}

// Fills args from the argument text; false when the call must not go on
// (everything has been reported).
bool EvaluateArguments(int number, std::u16string_view argumentText, BuiltinArgs& args,
                       THensuFmt& context) {
  Interpreter& interp = *context.interp;
  const BuiltinShape& shape = ShapeOf(number);
  std::u16string_view rest = argumentText;
  std::u16string prefixed;
  const bool views = ReadsTextViews(number);
  for (int i = 0; i < kMaxBuiltinArguments; ++i) {
    if (TrimArgument(rest).empty()) return true;
    ++args.count;
    std::u16string_view argument = CutArgument(&rest);
    std::u16string& text = args.text[static_cast<std::size_t>(i)];
    if (HasPosition(shape.raw, i)) {
      text.assign(argument);
    } else {
      if (number == kBuiltinSckey && i >= 1 && argument.size() == 1) {
        // A bare letter or digit names its key constant.
        prefixed = u"VK_";
        prefixed += argument;
        argument = prefixed;
      }
      Value value;
      try {
        if (!Evaluate(argument, context, &value)) return false;
      } catch (const std::exception&) {
        ReportStop(u"SyntaxError-20", context);
        return false;
      }
      const auto p = static_cast<std::size_t>(i);
      if (views && p < args.viewed.size() && value.IsString()) {
        args.viewed[p] = true;
      } else {
        ArgumentText(number, i, value, argument, &text);
      }
      if (p < args.value.size()) args.value[p] = std::move(value);
    }
    const std::u16string_view shown = args.Text(i);
    if (IsNumberArgument(shown)) {
      const double real = TextToNumber(TrimArgument(shown));
      args.real[static_cast<std::size_t>(i)] = real;
      args.whole[static_cast<std::size_t>(i)] = TruncatedWhole(real);
      args.numeric[static_cast<std::size_t>(i)] = true;
    } else if (!HasPosition(shape.text, i) || (HasPosition(shape.emptyOnly, i) && !shown.empty())) {
      std::u16string message = Msg(u"Definition is wrong: ", u"");
      // An argument that gives no text (NULL, "") is shown as written.
      if (TrimArgument(shown).empty()) {
        message += TrimArgument(argument);
      } else {
        message += shown;
      }
      message += Msg(u"", u": 定義が間違っています");
      ReportStop(message, context);
      return false;
    }
    if (interp.run.errorFlag != 0 || interp.run.abortLevel > 0) return false;
  }
  if (!TrimArgument(rest).empty()) {
    ReportStop(Msg(u"Error: There are too many arguments to the Function",
                   u"Error: 関数への引数が多すぎます"),
               context);
    return false;
  }
  return true;
}

std::uint64_t TickMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// The shared empty result: copying it allocates nothing.
const Value& EmptyText() {
  static const Value empty = Value::String(std::u16string());
  return empty;
}

}  // namespace

std::u16string_view TrimArgument(std::u16string_view text) {
  return TrimView(text);
}

std::u16string_view CutArgument(std::u16string_view* rest) {
  const std::u16string_view text = *rest;
  bool quoted = false;
  int parens = 0, brackets = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u'(') ++parens;
    if (c == u')') --parens;
    if (c == u'[') ++brackets;
    if (c == u']') --brackets;
    if (c == u',' && parens <= 0 && brackets <= 0) {
      *rest = text.substr(i + 1);
      return TrimArgument(text.substr(0, i));
    }
  }
  *rest = std::u16string_view();
  return TrimArgument(text);
}

void BuiltinBranchTable::Set(std::u16string_view name, BuiltinBranch branch) {
  const int number = FindBuiltin(name);
  if (number < 0) {
    std::fprintf(stderr, "built-in branch for an unknown name\n");
    std::abort();
  }
  branches_[static_cast<std::size_t>(number)] = branch;
}

bool EvaluateBuiltinArguments(int number, std::u16string_view argumentText, BuiltinArgs& args,
                              THensuFmt& context) {
  return EvaluateArguments(number, argumentText, args, context);
}

StopPoll::StopPoll(const THensuFmt& context) : StopPoll(context.interp->run.abortLevel) {}

void BuiltinCall::Fail(std::u16string_view message) {
  ReportError(message, context);
  failed = true;
}

Value CallBuiltin(int number, std::u16string_view argumentText, THensuFmt& context, bool* failed) {
  Interpreter& interp = *context.interp;
  if (number < 0 || number >= kBuiltinCount || context.exitFlag != 0 || interp.run.abortLevel > 0) {
    return Value::FailedByte();
  }
  Value result = EmptyText();
  BuiltinArgs args;
  if (!EvaluateArguments(number, argumentText, args, context)) {
    if (failed) *failed = true;
    return result;
  }
  if (args.count > ShapeOf(number).maximum) {
    ReportStop(TooManyMessage(number), context);
    if (failed) *failed = true;
    return result;
  }
  // The math numbers have their own evaluator; STOPFORM does nothing beyond
  // its arguments.
  if (IsMathBuiltin(number) || number == kBuiltinStopform) return result;
  const BuiltinBranch branch = Branches().At(number);
  if (branch == nullptr) {
    std::u16string message(BuiltinName(number));
    message += Msg(u" is not available yet", u" はまだ使えません");
    ReportError(message, context);
    if (failed) *failed = true;
    return result;
  }

  const bool mainThread = context.recordIndex == 0;
  if (mainThread) {
    const std::uint64_t now = TickMs();
    const std::uint64_t last = interp.run.lastCallReturnTick;
    interp.run.lastCallGap =
        now <= last ? 0 : static_cast<int>(std::min<std::uint64_t>(now - last, 999));
  }
  BuiltinCall call{number, BuiltinName(number), argumentText, args, result, context};
  try {
    branch(call);
  } catch (const std::bad_alloc&) {
    call.Fail(vars::OutOfMemoryText());
  } catch (const std::length_error&) {
    call.Fail(vars::OutOfMemoryText());
  }
  // Texts past the limit are refused here, whichever built-in made them.
  if (!call.failed && result.IsString() && result.AsString().size() > kMaxTextLength) {
    result = EmptyText();
    call.Fail(vars::OutOfMemoryText());
  }
  if (mainThread) interp.run.lastCallReturnTick = TickMs();
  if ((call.failed || interp.run.errorFlag != 0) && failed) *failed = true;
  return result;
}

}  // namespace zelk
