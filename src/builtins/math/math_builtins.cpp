// The floating-point built-ins (INT ... LOGN, CEIL, ARCSIN, ARCCOS, ARCTAN):
// up to three arguments, each a number, and one result.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <exception>
#include <string>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"

namespace zelk {
namespace {

enum MathNumber : int {
  kInt = 0,
  kAbs = 1,
  kZcut = 2,
  kRound = 3,
  kSqrt = 4,
  kPower = 5,
  kSin = 6,
  kCos = 7,
  kTan = 8,
  kExp = 9,
  kLn = 10,
  kLogn = 11,
  kCeil = 88,
  kArcsin = 89,
  kArccos = 90,
  kArctan = 91,
};

constexpr int kMathArguments = 3;

bool ToDouble(const Value& value, double* number) {
  if (value.ToNumber(number)) return !std::isnan(*number);
  if (!value.IsString()) return false;
  // A number text with blanks around it still counts.
  if (!IsNumberText(value.AsString(), false, false)) return false;
  *number = TextToNumber(Trim(value.AsString()));
  return true;
}

// A whole number as the language's integer kinds hold it.
Value WholeValue(double d) {
  if (d >= -2147483648.0 && d <= 2147483647.0) return Value::Int(static_cast<std::int64_t>(d));
  if (d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
    return Value::Int(static_cast<std::int64_t>(d), kVtInt64);
  }
  return Value::Double(d);
}

// x rounded to a multiple of 10^digits, ties to even. A tie is judged on the
// decimal the double stands for: 2.675 is stored a little below 2.675, yet
// ROUND(2.675, -2) treats it as the tie it was written as.
double RoundTo(double x, int digits) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                       1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                       1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20};
  const int n = digits < 0 ? -digits : digits;
  const double scale = kPowers[n];  // exact: powers of ten up to 1e22 are doubles
  const long double q =
      digits < 0 ? static_cast<long double>(x) * scale : static_cast<long double>(x) / scale;
  // Beyond 2^52 every double is whole already.
  if (!(std::fabs(q) < 4503599627370496.0L)) return x;
  const long double below = std::floor(q);
  const long double fraction = q - below;
  const long double tolerance = std::fabs(q) * DBL_EPSILON;
  long double r;
  if (std::fabs(fraction - 0.5L) <= tolerance) {
    r = std::fmod(below, 2.0L) == 0 ? below : below + 1;
  } else {
    r = fraction < 0.5L ? below : below + 1;
  }
  const double whole = static_cast<double>(r);
  const double result = digits < 0 ? whole / scale : whole * scale;
  return result == 0 ? 0.0 : result;  // no negative zero
}

// The argument's text for the message: its text form, else the source.
// The value as text; the argument as written when that says nothing (NULL,
// an empty text).
std::u16string ShownText(const Value& value, std::u16string_view source) {
  std::u16string text;
  if (!value.ToText(&text) || TrimArgument(text).empty()) text.assign(TrimArgument(source));
  return text;
}

}  // namespace

Value CallMathBuiltin(int number, std::u16string_view argumentText, THensuFmt& context,
                      bool* failed) {
  Interpreter& interp = *context.interp;
  if (!IsMathBuiltin(number) || context.exitFlag != 0 || interp.run.abortLevel > 0) {
    return Value::FailedByte();
  }
  auto fail = [&](std::u16string_view message) {
    if (!message.empty()) ReportError(message, context);
    if (failed) *failed = true;
    return Value::FailedByte();
  };

  double x[kMathArguments] = {0, 0, 0};
  std::u16string_view rest = argumentText;
  for (int i = 0; i < kMathArguments && !TrimArgument(rest).empty(); ++i) {
    const std::u16string_view argument = CutArgument(&rest);
    Value value;
    try {
      if (!Evaluate(argument, context, &value)) return fail(u"");
    } catch (const std::exception&) {
      return fail(u"SyntaxError-20");
    }
    if (!ToDouble(value, &x[i])) {
      std::u16string message = Msg(u"Is non-numeric: ", u"");
      message += ShownText(value, argument);
      message += Msg(u"", u": 数値以外である");
      return fail(message);
    }
  }

  double r = 0;
  switch (number) {
    case kInt:
      r = std::trunc(x[0]);
      break;
    case kAbs:
      r = std::fabs(x[0]);
      break;
    case kZcut:
      if (!(x[0] >= 0)) return Value::Int(0);
      r = x[0];
      break;
    case kRound: {
      const double digits = std::trunc(x[1]);
      if (!(digits >= -20 && digits <= 20)) {
        std::u16string message =
            Msg(u"ROUND: digits out of range (-20..20): ", u"ROUND: 桁数が範囲外です (-20..20): ");
        std::u16string text;
        Value::Double(digits).ToText(&text);
        return fail(message + text);
      }
      r = RoundTo(x[0], static_cast<int>(digits));
      break;
    }
    case kSqrt:
      r = std::sqrt(x[0]);
      break;
    case kPower:
      r = std::pow(x[0], x[1]);
      break;
    case kSin:
      r = std::sin(x[0]);
      break;
    case kCos:
      r = std::cos(x[0]);
      break;
    case kTan:
      r = std::tan(x[0]);
      break;
    case kExp:
      r = std::exp(x[0]);
      break;
    case kLn:
      r = std::log(x[0]);
      break;
    case kLogn:
      r = std::log(x[1]) / std::log(x[0]);
      break;
    case kCeil:
      r = std::ceil(x[0]);
      break;
    case kArcsin:
      r = std::asin(x[0]);
      break;
    case kArccos:
      r = std::acos(x[0]);
      break;
    case kArctan:
      r = std::atan(x[0]);
      break;
    default:
      return Value::FailedByte();
  }
  // No result is infinite or NaN: the script gets an error it can catch.
  if (std::isnan(r)) {
    std::u16string message(BuiltinName(number));
    return fail(message +
                Msg(u": Invalid floating point operation", u": 無効な浮動小数点演算です"));
  }
  if (std::isinf(r)) {
    std::u16string message(BuiltinName(number));
    return fail(message + Msg(u": Floating point overflow", u": 浮動小数点オーバーフローです"));
  }
  if (number == kCeil) return WholeValue(r);
  return Value::Double(r);
}

}  // namespace zelk
