#include "runtime/expr/operators.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "runtime/core/interpreter.h"
#include "runtime/expr/tokenizer.h"

namespace zelk {
namespace {

class TestObject final : public ObjectCell {
 public:
  explicit TestObject(std::uintptr_t id) : id_(id) {}
  std::uintptr_t Identity() const override { return id_; }

 private:
  std::uintptr_t id_;
};

Value Wide(std::u16string_view s) {
  return Value::String(std::u16string(s));
}
Value Narrow(std::u16string_view s) {
  return Value::String(std::u16string(s), kVtNarrowStr);
}
Value D(double d) {
  return Value::Double(d);
}

std::string Show(const Value& v) {
  std::u16string t = v.Text();
  return std::to_string(v.type()) + ":" + std::string(t.begin(), t.end());
}

Value Add(const Value& a, const Value& b) {
  Value out;
  EXPECT_TRUE(AddValues(a, b, &out)) << Show(a) << " + " << Show(b);
  return out;
}

bool Compare(std::int32_t op, const Value& a, const Value& b, const ScriptOptions& options = {},
             bool aLiteral = false, bool bLiteral = false) {
  Value out;
  EXPECT_TRUE(CompareValues(op, a, aLiteral, b, bLiteral, options, &out))
      << Show(a) << " ? " << Show(b);
  EXPECT_TRUE(out.IsBoolean());
  return out.AsBoolean();
}

TEST(OperatorsTest, PlusAddsOrConcatenatesByKind) {
  // Narrow texts that are numbers add; any other narrow pair concatenates.
  Value v = Add(Narrow(u"2"), Narrow(u" 3 "));
  EXPECT_TRUE(v.IsDouble());
  EXPECT_EQ(5, v.AsDouble());
  EXPECT_EQ(u"2x", Add(Narrow(u"2"), Narrow(u"x")).AsString());
  EXPECT_EQ(kVtNarrowStr, Add(Narrow(u"2"), Narrow(u"x")).type());
  // Wide texts always concatenate; a narrow number stays text beside a wide one.
  EXPECT_EQ(u"23", Add(Wide(u"2"), Wide(u"3")).AsString());
  EXPECT_EQ(u"23", Add(Narrow(u"2"), Wide(u"3")).AsString());
  // Numbers and texts concatenate; narrow numbers meet numbers as numbers.
  EXPECT_EQ(u"12", Add(D(1), Wide(u"2")).AsString());
  EXPECT_EQ(3, Add(D(1), Narrow(u"2")).AsDouble());
  EXPECT_EQ(u"1x", Add(D(1), Narrow(u"x")).AsString());
  EXPECT_EQ(u"1.5True", Add(D(1.5), Add(Wide(u""), Value::Boolean(true))).AsString());
  EXPECT_EQ(2, Add(Value::Boolean(true), D(1)).AsDouble());
  EXPECT_EQ(7, Add(Value::Int(3, kVtInt64), Value::Int(4, kVtWord)).AsDouble());
}

TEST(OperatorsTest, PlusTurnsEmptyNullAndErrorIntoTextOrZero) {
  EXPECT_EQ(5, Add(Value(), D(5)).AsDouble());
  EXPECT_TRUE(Add(Value(), D(5)).IsDouble());
  EXPECT_EQ(u"x", Add(Value(), Wide(u"x")).AsString());
  // Empty beside a narrow number text: the text wins, as a string.
  EXPECT_EQ(u"5", Add(Value(), Narrow(u"5")).AsString());
  EXPECT_EQ(u"", Add(Value(), Value()).AsString());
  EXPECT_EQ(u"True", Add(Value(), Value::Boolean(true)).AsString());
  EXPECT_EQ(u"5", Add(Value::Null(), D(5)).AsString());
  EXPECT_EQ(u"ERROR!", Add(Value::Error(5), Wide(u"!")).AsString());
}

TEST(OperatorsTest, OperandsWithoutNumberOrTextFail) {
  Value out;
  Value object = Value::Object(new TestObject(8));
  EXPECT_FALSE(AddValues(object, D(1), &out));
  EXPECT_FALSE(AddValues(Value::ArrayOf({D(1)}), Wide(u"x"), &out));
  EXPECT_FALSE(ArithmeticValues(kTokMinus, Wide(u"abc"), D(1), false, &out));
  EXPECT_FALSE(ArithmeticValues(kTokTimes, Value::Null(), D(1), false, &out));
  EXPECT_TRUE(ArithmeticValues(kTokMinus, Wide(u"1"), D(1), false, &out));
  EXPECT_EQ(0, out.AsDouble());
  EXPECT_FALSE(BitwiseValues(kTokAnd, Wide(u"x"), D(1), &out));
  EXPECT_FALSE(NegateValue(Wide(u"x"), &out));
  EXPECT_FALSE(NotValue(Wide(u""), &out));
}

TEST(OperatorsTest, ArithmeticDivisionModAndOverflow) {
  Value out;
  ASSERT_TRUE(ArithmeticValues(kTokDivide, D(7), D(0), false, &out));
  EXPECT_EQ(0, out.AsDouble());
  ASSERT_TRUE(ArithmeticValues(kTokDivide, D(0), D(0), false, &out));
  EXPECT_EQ(0, out.AsDouble());
  EXPECT_FALSE(ArithmeticValues(kTokMod, D(7), D(0), false, &out));
  // The check's MOD takes 1 as divisor.
  EXPECT_TRUE(ArithmeticValues(kTokMod, D(7), D(0), true, &out));

  auto mod = [](double a, double b) {
    Value r;
    EXPECT_TRUE(ArithmeticValues(kTokMod, D(a), D(b), false, &r));
    return r.AsDouble();
  };
  EXPECT_EQ(0, mod(7.5, 2));  // 7.5 rounds to 8
  EXPECT_EQ(0, mod(6.5, 2));  // 6.5 rounds to 6
  EXPECT_EQ(1, mod(7, 2.5));  // 2.5 rounds to 2
  EXPECT_EQ(-1, mod(-7, 2));  // sign of the dividend
  EXPECT_EQ(1, mod(7, -2));
  EXPECT_EQ(0, mod(-9223372036854775807.0 - 1, -1));
  EXPECT_FALSE(ArithmeticValues(kTokMod, D(1e19), D(3), false, &out));

  EXPECT_FALSE(ArithmeticValues(kTokTimes, D(1e308), D(10), false, &out));
  EXPECT_FALSE(AddValues(D(1e308), D(1e308), &out));
  EXPECT_FALSE(ArithmeticValues(kTokMinus, D(-1e308), D(1e308), false, &out));
}

TEST(OperatorsTest, BitwiseOperatorsTruncateAndGiveDoubles) {
  Value out;
  ASSERT_TRUE(BitwiseValues(kTokAnd, Value::Boolean(true), Value::Boolean(true), &out));
  EXPECT_TRUE(out.IsDouble());
  EXPECT_EQ(1, out.AsDouble());
  ASSERT_TRUE(BitwiseValues(kTokOr, D(12.9), D(-3.9), &out));  // 12 | -3
  EXPECT_EQ(-3, out.AsDouble());
  ASSERT_TRUE(BitwiseValues(kTokXor, D(6), Wide(u"3"), &out));
  EXPECT_EQ(5, out.AsDouble());
  EXPECT_FALSE(BitwiseValues(kTokOr, D(1e19), D(1), &out));
  EXPECT_FALSE(BitwiseValues(kTokOr, Value::Null(), D(1), &out));
}

TEST(OperatorsTest, ComparisonsOfNumbersWithTextCompareTexts) {
  EXPECT_FALSE(Compare(kTokGreater, D(10), Wide(u"9")));
  // A narrow number text is a number unless the other side is wide text.
  EXPECT_TRUE(Compare(kTokGreater, D(10), Narrow(u"9")));
  EXPECT_FALSE(Compare(kTokGreater, Narrow(u"10"), Wide(u"9")));
  EXPECT_TRUE(Compare(kTokEqual, Value::Boolean(true), D(1)));
  EXPECT_TRUE(Compare(kTokLess, Value::Int(-1, kVtInt64), Value::Int(1, kVtByte)));
  Value big = Value::Int(9007199254740993LL, kVtInt64);
  EXPECT_TRUE(Compare(kTokNotEqual, big, Value::Int(9007199254740992LL, kVtInt64)));
}

TEST(OperatorsTest, ComparisonsOfTextsFoldCaseAndExpandSpecialForms) {
  ScriptOptions options;
  EXPECT_TRUE(Compare(kTokEqual, Wide(u"abc"), Wide(u"ABC"), options));
  EXPECT_TRUE(Compare(kTokEqual, Wide(u"a\"b"), Wide(u"A<#DBL>B"), options));
  EXPECT_TRUE(Compare(kTokLess, Wide(u""), Wide(u"a"), options));
  EXPECT_TRUE(Compare(kTokLess, Wide(u"A"), Wide(u"B"), options));
  options.sameStr = true;
  EXPECT_FALSE(Compare(kTokEqual, Wide(u"abc"), Wide(u"ABC"), options));
  options.specialChar = true;
  EXPECT_FALSE(Compare(kTokEqual, Wide(u"a\"b"), Wide(u"a<#DBL>b"), options));
  EXPECT_TRUE(Compare(kTokEqual, Wide(u"a\"b"), Wide(u"a<#_DBL>b"), options));
}

TEST(OperatorsTest, ComparisonsWithEmptyObjectsAndArrays) {
  ScriptOptions o;
  // Both sides see the other as it was: two Empty values are equal.
  EXPECT_TRUE(Compare(kTokEqual, Value(), Value(), o));
  EXPECT_FALSE(Compare(kTokEqual, Value(), Wide(u""), o, true, false));
  EXPECT_FALSE(Compare(kTokEqual, Value::Null(), Value(), o));
  Value object = Value::Object(new TestObject(1234));
  EXPECT_TRUE(Compare(kTokEqual, Value::Nothing(), Value::Nothing(), o));
  EXPECT_FALSE(Compare(kTokEqual, object, Value::Nothing(), o));
  EXPECT_TRUE(Compare(kTokEqual, object, D(1234), o));
  EXPECT_TRUE(Compare(kTokEqual, Value::Error(3), Wide(u"error"), o));

  // An array against a non-array compares by its (non-zero) address.
  Value array = Value::ArrayOf({D(1)});
  EXPECT_TRUE(Compare(kTokNotEqual, array, D(0), o));
  Value out;
  EXPECT_FALSE(CompareValues(kTokEqual, array, false, array, false, o, &out));
}

TEST(OperatorsTest, ComparisonsRoundNumbersTo15DigitsUnlessRoundValue) {
  ScriptOptions o;
  EXPECT_TRUE(Compare(kTokEqual, D(0.1 + 0.2), D(0.3), o));
  o.roundValue = true;
  EXPECT_FALSE(Compare(kTokEqual, D(0.1 + 0.2), D(0.3), o));
}

// The rounding computes without texts; it must agree with the text form read back.
double RoundThroughText(double d) {
  if (!std::isfinite(d) || d == std::trunc(d)) return d;
  char buf[40];
  auto printed = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
  double back = d;
  std::from_chars(buf, printed.ptr, back);
  return back;
}

TEST(OperatorsTest, RoundingAgreesWithTheFifteenDigitText) {
  EXPECT_EQ(0.3, RoundTo15Digits(0.1 + 0.2));
  EXPECT_EQ(0.333333333333333, RoundTo15Digits(1.0 / 3));
  EXPECT_TRUE(std::isinf(RoundTo15Digits(std::numeric_limits<double>::infinity())));
  std::mt19937_64 random(7);
  int differences = 0;
  auto check = [&](double d) {
    double got = RoundTo15Digits(d), want = RoundThroughText(d);
    if (std::isnan(got) && std::isnan(want)) return;  // payloads may differ; NaN is NaN
    if (std::memcmp(&got, &want, sizeof got) != 0 && ++differences < 5) {
      ADD_FAILURE() << std::hexfloat << d << ": " << got << " instead of " << want;
    }
  };
  for (int i = 0; i < 200000; ++i) {
    std::uint64_t bits = random();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    check(any);
    // Decimal-looking values, sums as loops make them, and exact halves at
    // the 16th digit (ties, rounded to even).
    check(static_cast<double>(random() % 100000000000000000ull) /
          std::pow(10.0, static_cast<int>(random() % 25)));
    check(static_cast<double>(random() % 1000) * 0.1 + static_cast<double>(random() % 1000) * 0.01);
    check(static_cast<double>(100000000000000ull + random() % 900000000000000ull) + 0.5);
    check(-(static_cast<double>(random() % 9000000000000000ull) + 0.5) / 8.0);
  }
  EXPECT_EQ(0, differences);
}

}  // namespace
}  // namespace zelk
