#include "runtime/expr/operators.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/numbers.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/tokenizer.h"

namespace zelk {
namespace {

// 2^63: the first double outside the 64-bit integer range.
constexpr double kInt64Limit = 9223372036854775808.0;

Value WideString(std::u16string_view text) {
  return Value::String(std::u16string(text));
}

// A text that reads as a number (as the text scanners see numbers: "$FF" too).
bool NumericText(std::u16string_view text, double* number) {
  text = TrimBlanks(text);
  if (!IsNumberText(text, true, false)) return false;
  *number = TextToNumber(text);
  return true;
}

// Whether the value's text form is a number, without building the text.
bool TextIsNumber(const Value& v) {
  double unused;
  if (v.IsString()) return NumericText(v.AsString(), &unused);
  if (v.IsDouble()) return std::isfinite(v.AsDouble());
  return v.IsIntegerKind() || v.type() == kVtSingle || v.type() == kVtCurrency;
}

bool AppendText(const Value& v, std::u16string* out) {
  if (v.IsString()) {
    out->append(v.AsString());
    return true;
  }
  std::u16string text;
  if (!v.ToText(&text)) return false;
  out->append(text);
  return true;
}

bool Concatenate(const Value& a, const Value& b, VarType type, Value* out) {
  std::u16string text;
  if (a.IsString() && b.IsString()) text.reserve(a.AsString().size() + b.AsString().size());
  if (!AppendText(a, &text) || !AppendText(b, &text)) return false;
  *out = Value::String(std::move(text), type);
  return true;
}

bool FiniteDouble(double d, Value* out) {
  if (!std::isfinite(d)) return false;  // overflow
  *out = Value::Double(d);
  return true;
}

bool ToDouble(const Value& v, double* d) {
  if (v.IsDouble()) {
    *d = v.AsDouble();
    return true;
  }
  return v.ToNumber(d);
}

// The operand of "+" after the rules for the mixed cases.
Value NormalizeForAdd(const Value& side, const Value& other) {
  switch (side.type()) {
    case kVtEmpty:
      if (!other.IsString() && TextIsNumber(other)) return Value::Double(0);
      return WideString(u"");
    case kVtNull:
      return WideString(u"");
    case kVtError:
      return WideString(u"ERROR");
    case kVtNarrowStr: {
      double d;
      if (!other.IsWideString() && NumericText(side.AsString(), &d)) return Value::Double(d);
      return side;
    }
    default:
      return side;
  }
}

// The operand of a comparison after its rules for Empty, objects, Null,
// errors, arrays and narrow number texts.
Value NormalizeForCompare(const Value& side, bool isEmptyLiteral, const Value& other) {
  switch (side.type()) {
    case kVtEmpty:
      if (isEmptyLiteral || other.IsEmpty()) return WideString(kEmptyMarker);
      if (TextIsNumber(other)) return Value::Double(0);
      return WideString(u"");
    case kVtDispatch:
      if (side.IsNothing()) return WideString(kNothingMarker);
      return Value::Int(static_cast<std::int64_t>(side.AsObject()->Identity()), kVtInt64);
    case kVtNull:
      return WideString(kNullMarker);
    case kVtError:
      return WideString(u"ERROR");
    case kVtNarrowStr: {
      double d;
      if (!other.IsWideString() && NumericText(side.AsString(), &d)) return Value::Double(d);
      return side;
    }
    default:
      // An array against anything else compares by the address of its storage.
      if (side.IsArray() && !other.IsArray()) {
        return Value::Int(
            static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(side.AsArray())), kVtInt64);
      }
      return side;
  }
}

bool CompareNumbers(const Value& x, const Value& y, bool roundValue, int* result) {
  if (x.IsIntegerKind() && y.IsIntegerKind() && x.type() != kVtUInt64 && y.type() != kVtUInt64) {
    *result = x.AsInt() < y.AsInt() ? -1 : (x.AsInt() > y.AsInt() ? 1 : 0);
    return true;
  }
  double dx, dy;
  if (!ToDouble(x, &dx) || !ToDouble(y, &dy)) return false;
  if (std::isnan(dx) || std::isnan(dy)) return false;
  if (x.IsDouble()) dx = ComparableDouble(dx, roundValue);
  if (y.IsDouble()) dy = ComparableDouble(dy, roundValue);
  *result = CompareSign(dx, dy);
  return true;
}

void UpperAsciiInPlace(std::u16string* text) {
  for (char16_t& c : *text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
}

bool CompareTexts(const Value& x, const Value& y, const ScriptOptions& options, int* result) {
  std::u16string tx, ty;
  if (!x.ToText(&tx) || !y.ToText(&ty)) return false;
  if (!options.sameStr) {
    UpperAsciiInPlace(&tx);
    UpperAsciiInPlace(&ty);
  }
  if (HasSpecialChars(tx)) tx = ExpandSpecialChars(tx, options);
  if (HasSpecialChars(ty)) ty = ExpandSpecialChars(ty, options);
  if (tx.empty() || ty.empty()) {
    int c = std::u16string_view(tx).compare(ty);
    *result = c < 0 ? -1 : (c > 0 ? 1 : 0);
  } else {
    *result = os::CompareLocale(tx, ty);
  }
  return true;
}

// Rounded to the nearest integer, ties to even (the default rounding mode).
bool RoundToInt64(double d, std::int64_t* out) {
  if (!std::isfinite(d)) return false;
  double r = std::nearbyint(d);
  if (r < -kInt64Limit || r >= kInt64Limit) return false;
  *out = static_cast<std::int64_t>(r);
  return true;
}

// The 15-digit rounding without texts, exact where it answers: |d| times a
// power of ten as a 128-bit integer, rounded half to even like the text form,
// divided back by the power. Only where doubles are evaluated as doubles: with
// extended-precision intermediates the last division could round twice.
#if FLT_EVAL_METHOD == 0
constexpr int kMaxPow = 22;  // 10^22 is the largest power of ten a double holds exactly

constexpr std::array<std::uint64_t, kMaxPow + 1> Powers5() {
  std::array<std::uint64_t, kMaxPow + 1> p{};
  p[0] = 1;
  for (int i = 1; i <= kMaxPow; ++i) p[i] = p[i - 1] * 5;
  return p;
}
constexpr std::array<std::uint64_t, kMaxPow + 1> kPow5 = Powers5();
constexpr double kPow10[kMaxPow + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

struct U128 {
  std::uint64_t hi, lo;
};

U128 Multiply(std::uint64_t a, std::uint64_t b) {
  std::uint64_t a0 = a & 0xffffffffu, a1 = a >> 32, b0 = b & 0xffffffffu, b1 = b >> 32;
  std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  std::uint64_t mid = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (mid << 32) | (p00 & 0xffffffffu)};
}

bool BitAt(const U128& x, int i) {
  return ((i >= 64 ? x.hi >> (i - 64) : x.lo >> i) & 1) != 0;
}

// Whether any of the bits below bit i is set (0 < i < 128).
bool AnyBelow(const U128& x, int i) {
  if (i >= 64) return x.lo != 0 || (i > 64 && (x.hi & ((std::uint64_t{1} << (i - 64)) - 1)) != 0);
  return (x.lo & ((std::uint64_t{1} << i) - 1)) != 0;
}

// a > 0 with a fraction; false when a is outside the range handled here.
bool RoundFast(double a, double* out) {
  if (a < 1e-8 || a >= 1e15) return false;
  int exponent2;
  double fraction = std::frexp(a, &exponent2);  // a = fraction * 2^exponent2
  // 15 digits: the k with 10^14 <= a * 10^k < 10^15, first estimated from
  // the binary exponent, then corrected.
  int k = 14 - static_cast<int>(std::floor((exponent2 - 1) * 0.30102999566398120));
  for (int i = 0; i < 3; ++i) {
    if (k < 0 || k > kMaxPow) return false;
    double scaled = a * kPow10[k];
    if (scaled >= 1e15) {
      --k;
    } else if (scaled < 1e14) {
      ++k;
    } else {
      break;
    }
  }
  if (k < 0 || k > kMaxPow) return false;
  double scaled = a * kPow10[k];
  if (scaled >= 1e15 || scaled < 1e14) return false;
  // a * 10^k = mantissa * 5^k * 2^(exponent2 - 53 + k), exactly.
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  U128 product = Multiply(mantissa, kPow5[static_cast<std::size_t>(k)]);
  int shift = 53 - exponent2 - k;
  // The product is at least 2^52 and the result below 10^15: shift is over 2.
  if (shift <= 0 || shift >= 128) return false;
  std::uint64_t n = shift >= 64 ? product.hi >> (shift - 64)
                                : (product.lo >> shift) | (product.hi << (64 - shift));
  if (BitAt(product, shift - 1) && (AnyBelow(product, shift - 1) || (n & 1))) ++n;
  *out = static_cast<double>(n) / kPow10[k];
  return true;
}
#else
bool RoundFast(double, double*) {
  return false;
}
#endif

}  // namespace

double RoundTo15Digits(double d) {
  if (!std::isfinite(d) || d == std::trunc(d)) return d;
  double rounded;
  if (RoundFast(std::fabs(d), &rounded)) return d < 0 ? -rounded : rounded;
  char buf[40];
  auto printed = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
  if (printed.ec != std::errc()) return d;
  double back = d;
  std::from_chars(buf, printed.ptr, back);
  return back;
}

bool HasSpecialChars(std::u16string_view text) {
  return text.find(u"<#") != std::u16string_view::npos;
}

// out holds a wide string no other value shares: b's text (as the wide
// string + anything rule converts it) is appended in place, so that building a
// text piece by piece does not copy it each time. Nothing changes on failure.
bool AppendInPlace(Value* out, const Value& b) {
  std::u16string scratch;
  std::u16string_view piece;
  switch (b.type()) {
    case kVtEmpty:
    case kVtNull:
      break;
    case kVtError:
      piece = u"ERROR";
      break;
    default:
      if (b.IsString()) {
        piece = b.AsString();
      } else {
        if (!b.ToText(&scratch)) return false;
        piece = scratch;
      }
  }
  std::u16string& text = out->UniqueText();
  // Still free of "<#" when neither part has one and the joint makes none.
  const bool plain = out->KnownPlain() && !HasSpecialChars(piece) &&
                     !(!text.empty() && text.back() == u'<' && !piece.empty() && piece[0] == u'#');
  text.append(piece);
  out->MarkPlain(plain);
  return true;
}

bool AddValues(const Value& a, const Value& b, Value* out) {
  if (a.IsDouble() && b.IsDouble()) return FiniteDouble(a.AsDouble() + b.AsDouble(), out);
  if (out == &a && a.IsUniqueWideString()) return AppendInPlace(out, b);
  if (a.IsNarrowString() && b.IsNarrowString()) {
    double x, y;
    if (NumericText(a.AsString(), &x) && NumericText(b.AsString(), &y)) {
      return FiniteDouble(x + y, out);
    }
    return Concatenate(a, b, kVtNarrowStr, out);
  }
  if (a.IsWideString() && b.IsWideString()) return Concatenate(a, b, kVtUString, out);
  Value x = NormalizeForAdd(a, b);
  Value y = NormalizeForAdd(b, a);
  if (x.IsString() || y.IsString()) return Concatenate(x, y, kVtUString, out);
  double dx, dy;
  if (ToDouble(x, &dx) && ToDouble(y, &dy)) return FiniteDouble(dx + dy, out);
  return Concatenate(x, y, kVtUString, out);
}

bool ArithmeticValues(std::int32_t op, const Value& a, const Value& b, bool modByOne, Value* out) {
  double x, y = 1;
  if (!ToDouble(a, &x)) return false;
  if (!(op == kTokMod && modByOne) && !ToDouble(b, &y)) return false;
  switch (op) {
    case kTokMinus:
      return FiniteDouble(x - y, out);
    case kTokTimes:
      return FiniteDouble(x * y, out);
    case kTokDivide:
      return FiniteDouble(y == 0 ? 0 : x / y, out);
    default: {
      std::int64_t xi, yi = 1;
      if (!RoundToInt64(x, &xi) || !RoundToInt64(y, &yi) || yi == 0) return false;
      // -1 divides everything; the machine division would overflow for the minimum.
      *out = Value::Double(yi == -1 ? 0.0 : static_cast<double>(xi % yi));
      return true;
    }
  }
}

bool BitwiseValues(std::int32_t op, const Value& a, const Value& b, Value* out) {
  std::int64_t x, y;
  if (!TruncateToInt64(a, &x) || !TruncateToInt64(b, &y)) return false;
  std::int64_t r = op == kTokAnd ? (x & y) : op == kTokOr ? (x | y) : (x ^ y);
  *out = Value::Double(static_cast<double>(r));
  return true;
}

// CompareValues for anything but two numbers; out of line, so that two
// numbers do not pay for its frame.
[[gnu::noinline]] static bool CompareOtherValues(const Value& a, bool aIsEmptyLiteral,
                                                 const Value& b, bool bIsEmptyLiteral,
                                                 const ScriptOptions& options, int* c) {
  // Both sides look at the other as it was, so that two Empty values
  // compare equal whichever side is normalized first.
  Value x = NormalizeForCompare(a, aIsEmptyLiteral, b);
  Value y = NormalizeForCompare(b, bIsEmptyLiteral, a);
  if (x.IsString() || y.IsString()) return CompareTexts(x, y, options, c);
  return CompareNumbers(x, y, options.roundValue, c);
}

bool CompareValues(std::int32_t op, const Value& a, bool aIsEmptyLiteral, const Value& b,
                   bool bIsEmptyLiteral, const ScriptOptions& options, Value* out) {
  if (a.IsDouble() && b.IsDouble()) {
    bool holds = false;
    if (!CompareDoubles(op, a.AsDouble(), b.AsDouble(), options.roundValue, &holds)) return false;
    *out = Value::Boolean(holds);
    return true;
  }
  int c;
  if (!CompareOtherValues(a, aIsEmptyLiteral, b, bIsEmptyLiteral, options, &c)) return false;
  *out = Value::Boolean(Holds(op, c));
  return true;
}

bool NotValue(const Value& v, Value* out) {
  double d;
  if (v.IsEmpty()) {
    d = 0;
  } else if (v.IsNull()) {
    d = 1;  // Null never equals 0
  } else if (!v.ToNumber(&d)) {
    return false;
  }
  *out = Value::Boolean(d == 0);
  return true;
}

bool NegateValue(const Value& v, Value* out) {
  double d;
  if (!ToDouble(v, &d)) return false;
  *out = Value::Double(-d);
  return true;
}

bool TruncateToInt64(const Value& v, std::int64_t* out) {
  double d;
  if (!ToDouble(v, &d) || !std::isfinite(d)) return false;
  d = std::trunc(d);
  if (d < -kInt64Limit || d >= kInt64Limit) return false;
  *out = static_cast<std::int64_t>(d);
  return true;
}

}  // namespace zelk
