// Variants and safe arrays both ways, by-reference variants, and the seam
// against Wine's own Scripting.Dictionary: invoke by name, named and put
// arguments, enumeration and failures with their text.
#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/com_automation.h"
#include "platform/win32/com/variant_convert.h"

namespace zelk::os {
namespace {

ComValue Int(std::int64_t i) {
  ComValue v;
  v.type = kComI4;
  v.integer = i;
  return v;
}

ComValue Text(std::u16string t) {
  ComValue v;
  v.type = kComString;
  v.text = std::move(t);
  return v;
}

TEST(ComVariants, ScalarsRoundTrip) {
  EnsureComInitialized();
  std::vector<ComValue> values;
  values.push_back(Int(-5));
  values.push_back(Text(std::u16string(u"a\0b", 3)));
  ComValue r8;
  r8.type = kComR8;
  r8.real = 2.5;
  values.push_back(r8);
  ComValue date = r8;
  date.type = kComDate;
  values.push_back(date);
  ComValue money;
  money.type = kComCurrency;
  money.integer = 12345;
  values.push_back(money);
  ComValue flag;
  flag.type = kComBool;
  flag.integer = -1;
  values.push_back(flag);
  ComValue omitted;
  omitted.type = kComError;
  omitted.integer = kComParamNotFound;
  values.push_back(omitted);
  for (const ComValue& v : values) {
    VARIANT variant;
    ASSERT_TRUE(ComValueToVariant(v, &variant));
    EXPECT_EQ(v.type, variant.vt);
    ComValue back;
    ASSERT_TRUE(VariantToComValue(variant, &back));
    VariantClear(&variant);
    EXPECT_EQ(v.type, back.type);
    EXPECT_EQ(v.integer, back.integer);
    EXPECT_EQ(v.real, back.real);
    EXPECT_EQ(v.text, back.text);
  }
}

TEST(ComVariants, TwoDimensionalArrayKeepsBoundsAndOrder) {
  EnsureComInitialized();
  auto array = std::make_shared<ComArray>();
  array->lower = {1, -1};
  array->count = {2, 3};
  for (int i = 0; i < 6; ++i) array->items.push_back(i % 2 ? Text(u"t") : Int(i));
  ComValue v;
  v.type = kComArray | kComVariant;
  v.array = array;
  VARIANT variant;
  ASSERT_TRUE(ComValueToVariant(v, &variant));
  ASSERT_EQ(VT_ARRAY | VT_VARIANT, variant.vt);
  LONG lo = 0, hi = 0;
  SafeArrayGetLBound(variant.parray, 2, &lo);
  SafeArrayGetUBound(variant.parray, 2, &hi);
  EXPECT_EQ(-1, lo);
  EXPECT_EQ(1, hi);
  // Element (2, -1) is flat position 1: the first index runs fastest.
  LONG at[2] = {2, -1};
  VARIANT element;
  VariantInit(&element);
  ASSERT_EQ(S_OK, SafeArrayGetElement(variant.parray, at, &element));
  EXPECT_EQ(VT_BSTR, element.vt);
  VariantClear(&element);

  ComValue back;
  ASSERT_TRUE(VariantToComValue(variant, &back));
  VariantClear(&variant);
  ASSERT_TRUE(back.array);
  EXPECT_EQ(array->lower, back.array->lower);
  EXPECT_EQ(array->count, back.array->count);
  ASSERT_EQ(6u, back.array->items.size());
  EXPECT_EQ(4, back.array->items[4].integer);
  EXPECT_EQ(u"t", back.array->items[5].text);

  // A typed array: elements converted to its kind.
  auto longs = std::make_shared<ComArray>();
  longs->elementType = kComI4;
  longs->lower = {0};
  longs->count = {2};
  longs->items = {Text(u"7"), Int(8)};
  v.type = kComArray | kComI4;
  v.array = longs;
  ASSERT_TRUE(ComValueToVariant(v, &variant));
  ASSERT_TRUE(VariantToComValue(variant, &back));
  VariantClear(&variant);
  EXPECT_EQ(kComI4, back.array->elementType);
  EXPECT_EQ(7, back.array->items[0].integer);
}

TEST(ComVariants, ReferencesAreReadAndWrittenThrough) {
  EnsureComInitialized();
  SHORT small = 3;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I2;
  ref.piVal = &small;
  ComValue read;
  ASSERT_TRUE(VariantToComValue(ref, &read));
  EXPECT_EQ(kComI2, read.type);
  EXPECT_EQ(3, read.integer);
  ASSERT_TRUE(StoreThroughReference(Int(41), &ref));
  EXPECT_EQ(41, small);
  EXPECT_FALSE(StoreThroughReference(Text(u"no number"), &ref));
  EXPECT_EQ(41, small);

  VARIANT_BOOL flag = VARIANT_FALSE;
  ref.vt = VT_BYREF | VT_BOOL;
  ref.pboolVal = &flag;
  ASSERT_TRUE(StoreThroughReference(Int(5), &ref));
  EXPECT_EQ(VARIANT_TRUE, flag);
}

TEST(ComSeam, DictionaryByName) {
  ComRef dictionary;
  std::u16string failure;
  ASSERT_TRUE(ComCreateObject(u"Scripting.Dictionary", &dictionary, &failure)) << "Wine's scrrun";
  ASSERT_TRUE(dictionary);
  std::vector<ComArgument> add(2);
  add[0].value = Text(u"k");
  add[1].value = Int(5);
  ASSERT_TRUE(ComInvokeMember(dictionary, u"Add", ComInvoke::kMethod, add, nullptr, &failure));
  // Named arguments go by name, whatever their place.
  add[0].name = u"Item";
  add[0].value = Int(6);
  add[1].name = u"Key";
  add[1].value = Text(u"j");
  ASSERT_TRUE(ComInvokeMember(dictionary, u"add", ComInvoke::kMethod, add, nullptr, &failure))
      << std::string(failure.begin(), failure.end());

  // The indexed put: the value first, marked, then the index.
  std::vector<ComArgument> put(2);
  put[0].value = Int(9);
  put[0].putValue = true;
  put[1].value = Text(u"k");
  ASSERT_TRUE(ComInvokeMember(dictionary, u"Item", ComInvoke::kPut, put, nullptr, &failure));
  std::vector<ComArgument> key(1);
  key[0].value = Text(u"k");
  ComValue item;
  ASSERT_TRUE(ComInvokeMember(dictionary, u"Item", ComInvoke::kMethodOrGet, key, &item, &failure));
  EXPECT_EQ(9, item.integer);

  std::vector<ComValue> keys;
  ASSERT_TRUE(ComEnumerate(dictionary, &keys, &failure));
  ASSERT_EQ(2u, keys.size());
  EXPECT_EQ(u"k", keys[0].text);
  EXPECT_EQ(u"j", keys[1].text);

  EXPECT_FALSE(
      ComInvokeMember(dictionary, u"NoSuchMember", ComInvoke::kMethodOrGet, {}, &item, &failure));
  EXPECT_NE(std::u16string::npos, failure.find(u"0x80020006"));
  // A duplicate key: the server's own exception.
  add[0].name.clear();
  add[1].name.clear();
  add[0].value = Text(u"k");
  EXPECT_FALSE(ComInvokeMember(dictionary, u"Add", ComInvoke::kMethod, add, nullptr, &failure));
  EXPECT_FALSE(failure.empty());

  EXPECT_EQ(ComIdentity(dictionary), ComIdentity(ComRef(dictionary)));
  EXPECT_FALSE(ComCreateObject(u"No.Such.Server", &dictionary, &failure));
  EXPECT_FALSE(failure.empty());
}

}  // namespace
}  // namespace zelk::os
