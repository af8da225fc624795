#include "runtime/core/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace zelk {
namespace {

double Number(const Value& v) {
  double d = -12345;
  EXPECT_TRUE(v.ToNumber(&d)) << "no number";
  return d;
}

bool Fails(const Value& v) {
  double d = 0;
  return !v.ToNumber(&d);
}

TEST(FormatDoubleTest, GeneralFormWithFifteenDigits) {
  EXPECT_EQ(u"0", FormatDouble(0.0));
  EXPECT_EQ(u"0", FormatDouble(-0.0));
  EXPECT_EQ(u"12", FormatDouble(12));
  EXPECT_EQ(u"-2.5", FormatDouble(-2.5));
  EXPECT_EQ(u"0.1", FormatDouble(0.1));
  EXPECT_EQ(u"0.3", FormatDouble(0.1 + 0.2));
  EXPECT_EQ(u"0.333333333333333", FormatDouble(1.0 / 3));
  EXPECT_EQ(u"123456.789", FormatDouble(123456.789));
  EXPECT_EQ(u"999999999999999", FormatDouble(999999999999999.0));
  EXPECT_EQ(u"2147483647", FormatDouble(2147483647.0));
}

TEST(FormatDoubleTest, ExponentFormBeyondFifteenDigitsAndBelowTenThousandth) {
  EXPECT_EQ(u"1E15", FormatDouble(1e15));
  EXPECT_EQ(u"1E20", FormatDouble(1e20));
  EXPECT_EQ(u"-1.5E20", FormatDouble(-1.5e20));
  EXPECT_EQ(u"0.0001", FormatDouble(0.0001));
  EXPECT_EQ(u"0.00012", FormatDouble(0.00012));
  EXPECT_EQ(u"1E-5", FormatDouble(0.00001));
  EXPECT_EQ(u"5E-5", FormatDouble(0.00005));
  EXPECT_EQ(u"1.5E-7", FormatDouble(1.5e-7));
  // Rounding to 15 digits can carry into the next power of ten.
  EXPECT_EQ(u"1E15", FormatDouble(999999999999999.9));
  EXPECT_EQ(u"1E-5", FormatDouble(9.9999999999999999e-6));
}

TEST(FormatDoubleTest, NonFiniteAndFewerDigits) {
  EXPECT_EQ(u"NAN", FormatDouble(std::nan("")));
  EXPECT_EQ(u"INF", FormatDouble(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(u"-INF", FormatDouble(-std::numeric_limits<double>::infinity()));
  EXPECT_EQ(u"0.1", FormatDouble(static_cast<double>(0.1f), 7));
  EXPECT_EQ(u"3.14", FormatDouble(3.14159, 3));
}

TEST(ValueTextTest, EachKindHasItsTextForm) {
  EXPECT_EQ(u"", Value().Text());
  EXPECT_EQ(u"True", Value::Boolean(true).Text());
  EXPECT_EQ(u"False", Value::Boolean(false).Text());
  EXPECT_EQ(u"0", Value::FailedByte().Text());
  EXPECT_EQ(u"-7", Value::Int(-7, kVtSmallint).Text());
  EXPECT_EQ(u"2024", Value::Int(2024, kVtWord).Text());
  EXPECT_EQ(u"-9223372036854775808",
            Value::Int(std::numeric_limits<std::int64_t>::min(), kVtInt64).Text());
  EXPECT_EQ(u"18446744073709551615", Value::Int(-1, kVtUInt64).Text());
  EXPECT_EQ(u"1E20", Value::Double(1e20).Text());
  EXPECT_EQ(u"abc", Value::String(u"abc").Text());
  EXPECT_EQ(u"12", Value::String(u"12", kVtNarrowStr).Text());
  EXPECT_EQ(u"2020/01/01 12:00:00", Value::Date(43831.5).Text());

  std::u16string text = u"unchanged";
  EXPECT_FALSE(Value::Nothing().ToText(&text));
  EXPECT_FALSE(Value::ArrayOf({Value::Double(1)}).ToText(&text));
  EXPECT_EQ(u"", Value::ArrayOf({}).Text());
}

TEST(ValueNumberTest, NumericForms) {
  EXPECT_EQ(0, Number(Value()));
  EXPECT_EQ(1, Number(Value::Boolean(true)));
  EXPECT_EQ(0, Number(Value::Boolean(false)));
  EXPECT_EQ(-3, Number(Value::Int(-3, kVtShortInt)));
  EXPECT_EQ(18446744073709551615.0, Number(Value::Int(-1, kVtUInt64)));
  EXPECT_EQ(43831.5, Number(Value::Date(43831.5)));
  EXPECT_EQ(12.5, Number(Value::String(u" 12.5 ")));
  EXPECT_EQ(12.5, Number(Value::String(u"\t12.5\t")));
  EXPECT_EQ(1000, Number(Value::String(u"1e3")));
  EXPECT_EQ(1000, Number(Value::String(u"1E+3")));
  EXPECT_EQ(5, Number(Value::String(u"+5")));
  EXPECT_EQ(-0.5, Number(Value::String(u"-.5")));
  EXPECT_EQ(5, Number(Value::String(u"5.")));
  EXPECT_EQ(0, Number(Value::String(u"1e-999")));
  EXPECT_EQ(42, Number(Value::String(u"42", kVtNarrowStr)));
}

TEST(ValueNumberTest, FailuresAreNotNumbers) {
  EXPECT_TRUE(Fails(Value::Null()));
  EXPECT_TRUE(Fails(Value::Nothing()));
  EXPECT_TRUE(Fails(Value::Error(0)));
  EXPECT_TRUE(Fails(Value::ArrayOf({})));
  const char16_t* texts[] = {u"",      u" ",   u"abc",   u".",   u"1e",  u"1e+",  u"1,000",
                             u"1.2.3", u"--1", u"1e999", u"inf", u"nan", u"0x10", u"12abc"};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    EXPECT_TRUE(Fails(Value::String(texts[i]))) << "text #" << i;
  }
}

TEST(FormatDateTest, OleDates) {
  EXPECT_EQ(u"00:00:00", FormatDate(0));
  EXPECT_EQ(u"12:00:00", FormatDate(0.5));
  EXPECT_EQ(u"1899/12/31", FormatDate(1));
  EXPECT_EQ(u"1900/01/01", FormatDate(2));
  EXPECT_EQ(u"2024/02/29 06:30:15", FormatDate(45351 + (6 * 3600 + 30 * 60 + 15) / 86400.0));
  // Before the epoch the fraction still counts forward from that day's midnight.
  EXPECT_EQ(u"1899/12/29 06:00:00", FormatDate(-1.25));
  EXPECT_EQ(u"1899/12/28", FormatDate(-2));
  // A time that rounds up to midnight belongs to the next day.
  EXPECT_EQ(u"1900/01/02", FormatDate(2.999999999));
  EXPECT_EQ(u"NAN", FormatDate(std::nan("")));
  EXPECT_EQ(u"1E300", FormatDate(1e300));
}

TEST(ValueArrayTest, CopiesAreIndependent) {
  Value a = Value::ArrayOf({Value::Double(1), Value::Double(2)});
  Value b = a;
  b.MutableArray()->items[0] = Value::String(u"changed");
  EXPECT_EQ(1, a.AsArray()->items[0].AsDouble());
  EXPECT_EQ(u"changed", b.AsArray()->items[0].AsString());
  EXPECT_EQ(kVtArray | kVtVariant, a.type());
}

TEST(ValueArrayTest, PositionHonoursLowerBoundsAndColumnOrder) {
  auto* cell = new ArrayCell;
  cell->bounds = {{1, 2}, {0, 3}};  // [1..2, 0..2], first index fastest
  for (int i = 0; i < 6; ++i) cell->items.push_back(Value::Double(i));
  Value v = Value::Array(cell);
  std::size_t pos = 99;
  std::int32_t at[] = {2, 1};
  ASSERT_TRUE(v.AsArray()->Position(at, 2, &pos));
  EXPECT_EQ(3u, pos);
  std::int32_t low[] = {0, 0};
  EXPECT_FALSE(v.AsArray()->Position(low, 2, &pos));
  std::int32_t high[] = {1, 3};
  EXPECT_FALSE(v.AsArray()->Position(high, 2, &pos));
  EXPECT_FALSE(v.AsArray()->Position(at, 1, &pos));  // dimension count differs
}

TEST(SameValueTest, KindAndContent) {
  EXPECT_TRUE(SameValue(Value::Double(1), Value::Double(1)));
  EXPECT_FALSE(SameValue(Value::Double(1), Value::Int(1)));
  EXPECT_FALSE(SameValue(Value::Double(1), Value::String(u"1")));
  EXPECT_TRUE(SameValue(Value::String(u"a"), Value::String(u"a")));
  EXPECT_FALSE(SameValue(Value::String(u"a"), Value::String(u"A")));
  EXPECT_FALSE(SameValue(Value::String(u"a"), Value::String(u"a", kVtNarrowStr)));
  EXPECT_TRUE(SameValue(Value(), Value()));
  EXPECT_TRUE(SameValue(Value::Nothing(), Value::Nothing()));
  EXPECT_TRUE(SameValue(Value::Boolean(true), Value::Boolean(true)));
  EXPECT_FALSE(SameValue(Value::Boolean(true), Value::Boolean(false)));
  EXPECT_TRUE(SameValue(Value::ArrayOf({Value::Double(1)}), Value::ArrayOf({Value::Double(1)})));
  EXPECT_FALSE(SameValue(Value::ArrayOf({Value::Double(1)}), Value::ArrayOf({Value::Double(2)})));
}

}  // namespace
}  // namespace zelk
