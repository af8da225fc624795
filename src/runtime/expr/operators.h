// The language's operators on values: "+" as addition or concatenation, the
// arithmetic and bitwise operators, the comparisons with their treatment of
// Empty, Null and NOTHING, "!" and the sign. Each returns false when an operand
// does not convert (or the result overflows); the evaluator turns that into its
// error.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/value.h"
#include "runtime/expr/tokenizer.h"

namespace zelk {

struct ScriptOptions;

bool AddValues(const Value& a, const Value& b, Value* out);
// op: kTokMinus, kTokTimes, kTokDivide or kTokMod. modByOne: the pre-run
// check's MOD, whose divisor counts as 1.
bool ArithmeticValues(std::int32_t op, const Value& a, const Value& b, bool modByOne, Value* out);
// op: kTokAnd, kTokOr or kTokXor; the result is a Double.
bool BitwiseValues(std::int32_t op, const Value& a, const Value& b, Value* out);
// op: kTokGreater .. kTokNotEqual. aIsEmptyLiteral/bIsEmptyLiteral: the
// operand's text began with the literal EMPTY. The result is TRUE or FALSE.
bool CompareValues(std::int32_t op, const Value& a, bool aIsEmptyLiteral, const Value& b,
                   bool bIsEmptyLiteral, const ScriptOptions& options, Value* out);
bool NotValue(const Value& v, Value* out);
bool NegateValue(const Value& v, Value* out);
// Truncated toward zero; false when there is no number or it is out of range.
bool TruncateToInt64(const Value& v, std::int64_t* out);

// A number with a fractional part rounded to 15 significant digits, as its
// 15-digit general text form reads back.
double RoundTo15Digits(double d);

// A whole number below 2^52, which needs no rounding; there the integer
// conversion truncates exactly, without a call.
inline bool IsSmallWholeNumber(double d) {
  return std::fabs(d) < 0x1p52 && d == static_cast<double>(static_cast<std::int64_t>(d));
}

// Whether a comparison holds for c, the sign of left minus right.
inline bool Holds(std::int32_t op, int c) {
  switch (op) {
    case kTokGreater:
      return c > 0;
    case kTokLess:
      return c < 0;
    case kTokEqual:
      return c == 0;
    case kTokGreaterEqual:
      return c >= 0;
    case kTokLessEqual:
      return c <= 0;
    default:
      return c != 0;  // kTokNotEqual
  }
}

// A Double as comparisons see it: a fraction rounded to 15 digits unless
// OPTION ROUNDVALUE; a whole number as it stands, which the rounding would
// leave alone.
inline double ComparableDouble(double d, bool roundValue) {
  return roundValue || IsSmallWholeNumber(d) ? d : RoundTo15Digits(d);
}

// The sign of x - y, without the subtraction.
inline int CompareSign(double x, double y) {
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Whether the comparison op holds between two Doubles, as CompareValues
// decides it; false when either is NaN, which compares with nothing.
inline bool CompareDoubles(std::int32_t op, double x, double y, bool roundValue, bool* holds) {
  // Two whole numbers, the common case, compare as they stand.
  if (!IsSmallWholeNumber(x) || !IsSmallWholeNumber(y)) {
    if (std::isnan(x) || std::isnan(y)) return false;
    x = ComparableDouble(x, roundValue);
    y = ComparableDouble(y, roundValue);
  }
  *holds = Holds(op, CompareSign(x, y));
  return true;
}

// Whether text holds a "<#" form that ExpandSpecialChars would replace.
bool HasSpecialChars(std::u16string_view text);

}  // namespace zelk
