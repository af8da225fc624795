// Script values on their way to and from a server: the argument rules for
// numbers and EMPTYPARAM, texts, Booleans, objects and arrays with bounds.
#include <gtest/gtest.h>

#include "runtime/calls/com_values.h"

namespace zelk {
namespace {

TEST(ComValues, ArgumentNumbersAndOmittedArguments) {
  os::ComValue whole = ComFromValue(Value::Double(3), true);
  EXPECT_EQ(os::kComI4, whole.type);
  EXPECT_EQ(3, whole.integer);
  os::ComValue negative = ComFromValue(Value::Double(-2147483648.0), true);
  EXPECT_EQ(os::kComI4, negative.type);
  // Outside 32 bits or with a fraction: a double.
  EXPECT_EQ(os::kComR8, ComFromValue(Value::Double(4294967296.0), true).type);
  os::ComValue half = ComFromValue(Value::Double(2.5), true);
  EXPECT_EQ(os::kComR8, half.type);
  EXPECT_EQ(2.5, half.real);
  // Not an argument (an array element): the kind stays.
  EXPECT_EQ(os::kComR8, ComFromValue(Value::Double(3), false).type);
  EXPECT_EQ(os::kComI2, ComFromValue(Value::Int(7, kVtSmallint), true).type);

  os::ComValue omitted = ComFromValue(Value::String(u"__EMPTYPARAM__"), true);
  EXPECT_EQ(os::kComError, omitted.type);
  EXPECT_EQ(os::kComParamNotFound, omitted.integer);
  os::ComValue narrow = ComFromValue(Value::String(u"abc", kVtNarrowStr), true);
  EXPECT_EQ(os::kComString, narrow.type);
  EXPECT_EQ(u"abc", narrow.text);
  EXPECT_EQ(os::kComString, ComFromValue(Value::String(u""), true).type);
}

TEST(ComValues, ResultsKeepTheirKinds) {
  os::ComValue b;
  b.type = os::kComBool;
  b.integer = -1;
  Value v = ValueFromCom(b);
  ASSERT_TRUE(v.IsBoolean());
  EXPECT_TRUE(v.AsBoolean());
  EXPECT_EQ(-1, ComFromValue(v, true).integer);

  os::ComValue date;
  date.type = os::kComDate;
  date.real = 45000.5;
  EXPECT_EQ(kVtDate, ValueFromCom(date).type());
  EXPECT_EQ(os::kComDate, ComFromValue(ValueFromCom(date), true).type);

  os::ComValue money;
  money.type = os::kComCurrency;
  money.integer = 123450000;
  Value m = ValueFromCom(money);
  EXPECT_EQ(kVtCurrency, m.type());
  EXPECT_EQ(123450000, ComFromValue(m, true).integer);

  os::ComValue text;
  text.type = os::kComString;
  text.text = std::u16string(u"a\0b", 3);
  EXPECT_EQ(3u, ValueFromCom(text).AsString().size());

  os::ComValue nothing;
  nothing.type = os::kComDispatch;
  EXPECT_TRUE(ValueFromCom(nothing).IsNothing());
  EXPECT_FALSE(ComRefOf(Value::Nothing()));
  EXPECT_FALSE(ComRefOf(Value::String(u"x")));
  EXPECT_TRUE(ValueFromCom(os::ComValue{}).IsEmpty());
}

TEST(ComValues, ArraysKeepBoundsAndOrder) {
  auto array = std::make_shared<os::ComArray>();
  array->elementType = os::kComVariant;
  array->lower = {1, 0};
  array->count = {2, 3};
  for (int i = 0; i < 6; ++i) {
    os::ComValue item;
    item.type = os::kComI4;
    item.integer = i;
    array->items.push_back(item);
  }
  os::ComValue in;
  in.type = os::kComArray | os::kComVariant;
  in.array = array;
  Value v = ValueFromCom(in);
  ASSERT_TRUE(v.IsArray());
  const ArrayCell& cell = *v.AsArray();
  ASSERT_EQ(2u, cell.bounds.size());
  EXPECT_EQ(1, cell.bounds[0].lower);
  EXPECT_EQ(3, cell.bounds[1].count);
  std::int32_t at[2] = {2, 1};  // flat 1 + 1 * 2
  std::size_t position;
  ASSERT_TRUE(cell.Position(at, 2, &position));
  EXPECT_EQ(3, cell.items[position].AsInt());

  os::ComValue back = ComFromValue(v, true);
  ASSERT_TRUE(back.type & os::kComArray);
  ASSERT_TRUE(back.array);
  EXPECT_EQ(array->lower, back.array->lower);
  EXPECT_EQ(array->count, back.array->count);
  ASSERT_EQ(6u, back.array->items.size());
  EXPECT_EQ(5, back.array->items[5].integer);
  // Elements are no arguments: whole doubles inside stay doubles.
  Value doubles = Value::ArrayOf({Value::Double(1), Value::Double(1.5)});
  os::ComValue d = ComFromValue(doubles, true);
  EXPECT_EQ(os::kComR8, d.array->items[0].type);
}

}  // namespace
}  // namespace zelk
