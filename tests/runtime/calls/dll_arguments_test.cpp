// The DEF_DLL layout for both machines, checked on any host: the offsets a C
// compiler gives the same parameters and structures are the reference.
#include "runtime/calls/dll_arguments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/com_safe_array.h"
#include "runtime/calls/dll_declaration.h"

namespace zelk {
namespace {

DllDeclaration Split(std::u16string_view text) {
  DllDeclaration d;
  std::u16string error;
  EXPECT_TRUE(SplitDllDeclaration(text, &d, &error)) << std::string(error.begin(), error.end());
  return d;
}

std::u16string SplitError(std::u16string_view text) {
  DllDeclaration d;
  std::u16string error;
  EXPECT_FALSE(SplitDllDeclaration(text, &d, &error));
  return error;
}

TEST(DllDeclarationTest, SplitsNameTypesReturnAndFile) {
  DllDeclaration d = Split(u"lstrlenW(WSTRING):INT:kernel32.dll");
  EXPECT_EQ("lstrlenW", d.exportName);
  ASSERT_EQ(1u, d.parameters.size());
  EXPECT_EQ(kDllWString, d.parameters[0].code);
  EXPECT_EQ(kDllInt, d.result.code);
  EXPECT_EQ(u"kernel32.dll", d.library);
  EXPECT_FALSE(d.pack);

  // Blanks around the separators; the file keeps its blanks and case.
  d = Split(u"Beep(DWORD, DWORD) : BOOL : C:\\Some Dir\\My.dll");
  EXPECT_EQ(kDllInt, d.result.code);
  EXPECT_EQ(u"C:\\Some Dir\\My.dll", d.library);

  // Without a return type the single piece is the file and nothing returns.
  d = Split(u"Sleep(DWORD):kernel32.dll");
  EXPECT_EQ(kDllVoid, d.result.code);
  EXPECT_EQ(u"kernel32.dll", d.library);

  d = Split(u"F({BYTE, INT}):INT:x.dll PACK");
  EXPECT_TRUE(d.pack);
  EXPECT_EQ(u"x.dll", d.library);
  d = Split(u"F({BYTE, INT}):INT:x.dll:pack");
  EXPECT_TRUE(d.pack);
  EXPECT_EQ(u"x.dll", d.library);
}

TEST(DllDeclarationTest, ParameterKinds) {
  DllDeclaration d = Split(u"F(VAR INT, DOUBLE[], {HWND, hmenu}, var wstring):VOID:x.dll");
  ASSERT_EQ(7u, d.parameters.size());
  EXPECT_TRUE(d.parameters[0].byReference);
  EXPECT_FALSE(d.parameters[0].array);
  EXPECT_TRUE(d.parameters[1].array && d.parameters[1].byReference);
  EXPECT_EQ(kDllOpenStruct, d.parameters[2].code);
  EXPECT_TRUE(d.parameters[3].pointerSized);
  EXPECT_TRUE(d.parameters[4].pointerSized);
  EXPECT_EQ(kDllCloseStruct, d.parameters[5].code);
  EXPECT_EQ(kDllWString, d.parameters[6].code);
  EXPECT_TRUE(d.parameters[6].byReference);
  EXPECT_FALSE(Split(u"F(DWORD):DWORD:x.dll").parameters[0].pointerSized);
}

TEST(DllDeclarationTest, Failures) {
  EXPECT_EQ(u"Error", SplitError(u"F(INT, QWORD):INT:x.dll"));
  EXPECT_EQ(u"SyntaxError-60", SplitError(u"F({INT, INT):INT:x.dll"));
  EXPECT_EQ(u"SyntaxError-60", SplitError(u"F(INT}):INT:x.dll"));
  EXPECT_EQ(u"SyntaxError-61", SplitError(u"F(INT)"));
  EXPECT_EQ(u"SyntaxError-61", SplitError(u"F(INT) : "));
  // An unknown return type is found when the call is made.
  EXPECT_EQ(kDllUnknown, Split(u"F(INT):QWORD:x.dll").result.code);
  EXPECT_EQ(kDllUnknown, Split(u"F(INT):VAR INT:x.dll").result.code);
}

struct Laid {
  DllArguments arguments;
  DllLayout status = DllLayout::kDone;
};

// Lays out the declaration's parameters with these values (texts "" unless
// given; arrays from the list by argument number).
void LayOut(std::u16string_view declaration, const os::DllAbi& abi, std::vector<Value> values,
            Laid* laid, std::vector<std::u16string_view> texts = {},
            std::vector<std::vector<Value>> arrays = {}) {
  DllDeclaration d = Split(declaration);
  texts.resize(64);
  values.resize(64, Value::FailedByte());
  laid->status = LayOutDllArguments(
      d, abi, texts, values,
      [&](std::size_t a, std::vector<Value>* elements) {
        if (a >= arrays.size()) return false;
        *elements = arrays[a];
        return true;
      },
      &laid->arguments);
}

template <typename T>
T At(const std::uint8_t* base, std::size_t offset) {
  T value;
  std::memcpy(&value, base + offset, sizeof value);
  return value;
}

// The buffer a pointer in the area points to. A 32-bit layout made on a
// 64-bit host keeps only the address's low half: it is matched against the
// call's buffers.
const std::uint8_t* Resolve(const Laid& laid, std::uint64_t address, const os::DllAbi& abi) {
  if (address == 0 || abi.pointerBytes == static_cast<int>(sizeof(void*))) {
    return reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(address));
  }
  for (const auto& buffer : laid.arguments.buffers) {
    if ((reinterpret_cast<std::uintptr_t>(buffer.get()) & 0xFFFFFFFFu) == address) {
      return buffer.get();
    }
  }
  ADD_FAILURE() << "no buffer at " << address;
  return nullptr;
}

std::uint64_t AddressIn(const std::uint8_t* base, std::size_t offset, const os::DllAbi& abi) {
  return abi.pointerBytes == 8 ? At<std::uint64_t>(base, offset) : At<std::uint32_t>(base, offset);
}

const std::uint8_t* PointerAt(const Laid& laid, std::size_t offset, const os::DllAbi& abi) {
  return Resolve(laid, AddressIn(laid.arguments.area, offset, abi), abi);
}

TEST(DllLayoutTest, ScalarsTakeStackPositions) {
  // 32-bit: every argument on a 4-byte position, DOUBLE and LONGLONG two of
  // them, EXTENDED ten bytes rounded to twelve; 64-bit: one slot each.
  std::vector<Value> values = {Value::Int(1),         Value::Double(2.5), Value::Int(3),
                               Value::Int(-4),        Value::Double(0.5), Value::Int(6),
                               Value::Double(1.0 / 3)};
  const char16_t* declaration =
      u"F(BYTE, DOUBLE, WORD, LONGLONG, FLOAT, DWORD, EXTENDED):INT:x.dll";
  Laid x86;
  LayOut(declaration, os::kDllAbi32, values, &x86);
  ASSERT_EQ(DllLayout::kDone, x86.status);
  const std::uint8_t* a = x86.arguments.area;
  EXPECT_EQ(1u, At<std::uint32_t>(a, 0));  // the byte with zeros above it
  EXPECT_EQ(2.5, At<double>(a, 4));
  EXPECT_EQ(3u, At<std::uint32_t>(a, 12));
  EXPECT_EQ(-4, At<std::int64_t>(a, 16));
  EXPECT_EQ(0.5f, At<float>(a, 24));
  EXPECT_EQ(6u, At<std::uint32_t>(a, 28));
  EXPECT_EQ(1.0 / 3, ExtendedToDouble(a + 32));
  EXPECT_EQ(44u, x86.arguments.used);

  Laid x64;
  LayOut(declaration, os::kDllAbi64, values, &x64);
  ASSERT_EQ(DllLayout::kDone, x64.status);
  a = x64.arguments.area;
  EXPECT_EQ(1u, At<std::uint64_t>(a, 0));
  EXPECT_EQ(2.5, At<double>(a, 8));
  EXPECT_EQ(3u, At<std::uint64_t>(a, 16));
  EXPECT_EQ(-4, At<std::int64_t>(a, 24));
  EXPECT_EQ(0.5f, At<float>(a, 32));
  EXPECT_EQ(6u, At<std::uint64_t>(a, 40));
  EXPECT_EQ(1.0 / 3, At<double>(a, 48));  // a double in this build
  EXPECT_EQ(56u, x64.arguments.used);
}

TEST(DllLayoutTest, ConversionsRoundAndTruncate) {
  Laid laid;
  LayOut(u"F(INT, INT, BYTE, DWORD, WORD, CHAR, WCHAR, INT, LONGLONG):INT:x.dll", os::kDllAbi32,
         {Value::Double(2.5), Value::Double(3.5), Value::Int(257), Value::Int(-1),
          Value::Double(70000), Value::String(u"AB"), Value::String(u"\u3042"),
          Value::String(u"12"), Value::Int(std::numeric_limits<std::int64_t>::max(), kVtInt64)},
         &laid);
  ASSERT_EQ(DllLayout::kDone, laid.status);
  const std::uint8_t* a = laid.arguments.area;
  EXPECT_EQ(2, At<std::int32_t>(a, 0));  // ties go to the even neighbour
  EXPECT_EQ(4, At<std::int32_t>(a, 4));
  EXPECT_EQ(1u, At<std::uint32_t>(a, 8));
  EXPECT_EQ(0xFFFFFFFFu, At<std::uint32_t>(a, 12));
  EXPECT_EQ(70000u & 0xFFFF, At<std::uint32_t>(a, 16));
  EXPECT_EQ(static_cast<std::uint32_t>('A'), At<std::uint32_t>(a, 20));
  EXPECT_EQ(0x3042u, At<std::uint32_t>(a, 24));
  EXPECT_EQ(12, At<std::int32_t>(a, 28));
  EXPECT_EQ(std::numeric_limits<std::int64_t>::max(), At<std::int64_t>(a, 32));

  for (const Value& bad : {Value::String(u"twelve"), Value::Double(1e30), Value::Nothing()}) {
    LayOut(u"F(DOUBLE, INT):INT:x.dll", os::kDllAbi32, {Value::Double(1), bad}, &laid);
    EXPECT_EQ(DllLayout::kUnfit, laid.status);
  }
  // VOID and VARIANT take no argument this layout knows.
  LayOut(u"F(VOID):INT:x.dll", os::kDllAbi32, {Value::Int(1)}, &laid);
  EXPECT_EQ(DllLayout::kUnfit, laid.status);
}

TEST(DllLayoutTest, StructuresAlignUnlessPacked) {
  // {BYTE, INT}: 8 bytes naturally, 5 packed; the area holds one pointer.
  Laid laid;
  LayOut(u"F({BYTE, INT}):INT:x.dll", os::kDllAbi32, {Value::Int(7), Value::Int(9)}, &laid);
  ASSERT_EQ(DllLayout::kDone, laid.status);
  EXPECT_EQ(4u, laid.arguments.used);
  ASSERT_EQ(1u, laid.arguments.structureSizes.size());
  EXPECT_EQ(8u, laid.arguments.structureSizes[0]);
  const std::uint8_t* s = PointerAt(laid, 0, os::kDllAbi32);
  EXPECT_EQ(7, s[0]);
  EXPECT_EQ(9, At<std::int32_t>(s, 4));

  LayOut(u"F({BYTE, INT}):INT:x.dll PACK", os::kDllAbi32, {Value::Int(7), Value::Int(9)}, &laid);
  EXPECT_EQ(5u, laid.arguments.structureSizes[0]);
  s = PointerAt(laid, 0, os::kDllAbi32);
  EXPECT_EQ(9, At<std::int32_t>(s, 1));

  // The offsets of struct { BYTE b; double d; WORD w; LONGLONG ll; int i; }.
  struct Mixed {
    std::uint8_t b;
    double d;
    std::uint16_t w;
    std::int64_t ll;
    std::int32_t i;
  };
  for (const os::DllAbi& abi : {os::kDllAbi32, os::kDllAbi64}) {
    LayOut(u"F({BYTE, DOUBLE, WORD, LONGLONG, INT}):INT:x.dll", abi,
           {Value::Int(1), Value::Double(2), Value::Int(3), Value::Int(4), Value::Int(5)}, &laid);
    ASSERT_EQ(DllLayout::kDone, laid.status);
    EXPECT_EQ(offsetof(Mixed, i) + 4, laid.arguments.structureSizes[0]);
    s = PointerAt(laid, 0, abi);
    EXPECT_EQ(2.0, At<double>(s, offsetof(Mixed, d)));
    EXPECT_EQ(3, At<std::uint16_t>(s, offsetof(Mixed, w)));
    EXPECT_EQ(4, At<std::int64_t>(s, offsetof(Mixed, ll)));
    EXPECT_EQ(5, At<std::int32_t>(s, offsetof(Mixed, i)));
  }
}

TEST(DllLayoutTest, NestedStructuresArePointersOnAPosition) {
  // {INT, {INT, INT}, BYTE}: struct { int a; Inner* inner; BYTE last; }.
  for (const os::DllAbi& abi : {os::kDllAbi32, os::kDllAbi64}) {
    Laid laid;
    LayOut(u"F(INT, {INT, {INT, INT}, BYTE}):INT:x.dll", abi,
           {Value::Int(9), Value::Int(1), Value::Int(2), Value::Int(3), Value::Int(4)}, &laid);
    ASSERT_EQ(DllLayout::kDone, laid.status);
    const std::size_t p = static_cast<std::size_t>(abi.pointerBytes);
    const std::uint8_t* outer = PointerAt(laid, static_cast<std::size_t>(abi.slotBytes), abi);
    EXPECT_EQ(1, At<std::int32_t>(outer, 0));
    const std::uint8_t* inner = Resolve(laid, AddressIn(outer, p, abi), abi);
    EXPECT_EQ(2, At<std::int32_t>(inner, 0));
    EXPECT_EQ(3, At<std::int32_t>(inner, 4));
    EXPECT_EQ(4, outer[2 * p]);
  }
}

TEST(DllLayoutTest, StructureLimits) {
  // Eight structures in one call; a ninth does not fit.
  std::u16string eight = u"F({INT}, {INT}, {INT}, {INT}, {INT}, {INT}, {INT}, {INT}";
  Laid laid;
  LayOut(eight + u"):INT:x.dll", os::kDllAbi32, {}, &laid);
  EXPECT_EQ(DllLayout::kDone, laid.status);
  LayOut(eight + u", {INT}):INT:x.dll", os::kDllAbi32, {}, &laid);
  EXPECT_EQ(DllLayout::kUnfit, laid.status);

  // Characters inside a structure count against its 2048 bytes.
  LayOut(u"F({INT, STRING}):INT:x.dll", os::kDllAbi32,
         {Value::Int(1), Value::String(std::u16string(2043, u'x'))}, &laid);
  EXPECT_EQ(DllLayout::kDone, laid.status);
  LayOut(u"F({INT, STRING}):INT:x.dll", os::kDllAbi32,
         {Value::Int(1), Value::String(std::u16string(2044, u'x'))}, &laid);
  EXPECT_EQ(DllLayout::kStructureTooLarge, laid.status);
}

TEST(DllLayoutTest, TextsOutsideArePointersInsideAreCharacters) {
  Laid laid;
  LayOut(u"F(STRING, WSTRING, {WORD, WSTRING, STRING}):INT:x.dll", os::kDllAbi64,
         {Value::String(u"abc"), Value::String(u"\u00e9t\u00e9"), Value::Int(5),
          Value::String(u"xy"), Value::String(u"q")},
         &laid);
  ASSERT_EQ(DllLayout::kDone, laid.status);
  EXPECT_STREQ("abc", reinterpret_cast<const char*>(PointerAt(laid, 0, os::kDllAbi64)));
  const std::uint8_t* wide = PointerAt(laid, 8, os::kDllAbi64);
  EXPECT_EQ(u'\u00e9', At<char16_t>(wide, 0));
  EXPECT_EQ(0, At<char16_t>(wide, 6));
  const std::uint8_t* s = PointerAt(laid, 16, os::kDllAbi64);
  EXPECT_EQ(5, At<std::uint16_t>(s, 0));
  EXPECT_EQ(u'x', At<char16_t>(s, 2));
  EXPECT_EQ(0, At<char16_t>(s, 6));
  EXPECT_EQ('q', s[8]);
  EXPECT_EQ(10u, laid.arguments.structureSizes[0]);
  EXPECT_TRUE(laid.arguments.readBacks.empty());  // nothing was VAR
}

TEST(DllLayoutTest, ByReferenceAndNullPointers) {
  Laid laid;
  LayOut(u"F(VAR INT, VAR DOUBLE, VAR WSTRING, VAR INT, WSTRING):INT:x.dll", os::kDllAbi32,
         {Value::Int(21), Value::Double(1.5), Value::String(u"abc"), Value::Int(0), Value::Null()},
         &laid, {u"A", u"B", u"C", u"NULL", u"N"});
  ASSERT_EQ(DllLayout::kDone, laid.status);
  ASSERT_EQ(3u, laid.arguments.readBacks.size());  // the NULL ones are skipped
  auto* i = const_cast<std::uint8_t*>(PointerAt(laid, 0, os::kDllAbi32));
  EXPECT_EQ(21, At<std::int32_t>(i, 0));
  EXPECT_EQ(nullptr, PointerAt(laid, 12, os::kDllAbi32));
  EXPECT_EQ(nullptr, PointerAt(laid, 16, os::kDllAbi32));

  // What the function writes is what comes back, with the declared type.
  std::int32_t doubled = 42;
  std::memcpy(i, &doubled, 4);
  auto* w = const_cast<std::uint8_t*>(PointerAt(laid, 8, os::kDllAbi32));
  w[2] = 0;  // the function shortened the text
  Value back = DllReadBackValue(laid.arguments.readBacks[0], os::kDllAbi32, 0);
  EXPECT_EQ(kVtInteger, back.type());
  EXPECT_EQ(42, back.AsInt());
  EXPECT_EQ(1u, laid.arguments.readBacks[1].argument);
  back = DllReadBackValue(laid.arguments.readBacks[2], os::kDllAbi32, 0);
  EXPECT_EQ(u"a", back.AsString());

  // Fields of a structure marked VAR come back from the structure itself.
  LayOut(u"F({VAR WORD, INT, VAR WSTRING}):INT:x.dll", os::kDllAbi32,
         {Value::Int(1), Value::Int(2), Value::String(u"ab")}, &laid, {u"Y", u"M", u"T"});
  ASSERT_EQ(2u, laid.arguments.readBacks.size());
  auto* s = const_cast<std::uint8_t*>(PointerAt(laid, 0, os::kDllAbi32));
  EXPECT_EQ(s, laid.arguments.readBacks[0].at);
  EXPECT_EQ(s + 8, laid.arguments.readBacks[1].at);
  EXPECT_EQ(2u, laid.arguments.readBacks[1].argument);
}

TEST(DllLayoutTest, ArraysAndArgumentPositions) {
  Laid laid;
  LayOut(u"F(INT[], INT, DOUBLE[]):INT:x.dll", os::kDllAbi64, {Value(), Value::Int(3), Value()},
         &laid, {u"A", u"3", u"D"},
         {{Value::Int(1), Value::Int(2), Value::Int(3)},
          {},
          {Value::Double(0.5), Value::Double(1.5)}});
  ASSERT_EQ(DllLayout::kDone, laid.status);
  const std::uint8_t* ints = PointerAt(laid, 0, os::kDllAbi64);
  EXPECT_EQ(2, At<std::int32_t>(ints, 4));
  EXPECT_EQ(3, At<std::int32_t>(ints, 8));
  const std::uint8_t* doubles = PointerAt(laid, 16, os::kDllAbi64);
  EXPECT_EQ(1.5, At<double>(doubles, 8));
  ASSERT_EQ(2u, laid.arguments.readBacks.size());
  EXPECT_EQ(1.5, DllReadBackValue(laid.arguments.readBacks[1], os::kDllAbi64, 1).AsDouble());

  // Array arguments stop at position 19, VAR ones at 39.
  std::u16string ints19;
  for (int n = 0; n < 19; ++n) ints19 += u"INT, ";
  std::vector<std::vector<Value>> arrays(21, std::vector<Value>{Value::Int(1)});
  LayOut(u"F(" + ints19 + u"INT[]):INT:x.dll", os::kDllAbi32, {}, &laid, {}, arrays);
  EXPECT_EQ(DllLayout::kDone, laid.status);
  LayOut(u"F(" + ints19 + u"INT, INT[]):INT:x.dll", os::kDllAbi32, {}, &laid, {}, arrays);
  EXPECT_EQ(DllLayout::kUnfit, laid.status);
  std::u16string ints39 = ints19 + ints19 + u"INT, ";
  LayOut(u"F(" + ints39 + u"VAR INT):INT:x.dll", os::kDllAbi32, {}, &laid);
  EXPECT_EQ(DllLayout::kDone, laid.status);
  LayOut(u"F(" + ints39 + u"INT, VAR INT):INT:x.dll", os::kDllAbi32, {}, &laid);
  EXPECT_EQ(DllLayout::kUnfit, laid.status);

  // A reader that reported stops the layout.
  LayOut(u"F(INT[]):INT:x.dll", os::kDllAbi32, {}, &laid);
  EXPECT_EQ(DllLayout::kReported, laid.status);
}

TEST(DllLayoutTest, VariantsArePointersToTheVariantForm) {
  for (const os::DllAbi& abi : {os::kDllAbi32, os::kDllAbi64}) {
    Laid laid;
    LayOut(u"F(VARIANT, VAR VARIANT, VARIANT):VARIANT:x.dll", abi,
           {Value::String(u"abc"), Value::Int(7), Value::Null()}, &laid, {u"S", u"V", u"N"});
    ASSERT_EQ(DllLayout::kDone, laid.status);
    const std::size_t slot = static_cast<std::size_t>(abi.slotBytes);
    // The result's variant comes first, then one pointer per parameter.
    EXPECT_EQ(laid.arguments.variantResult, PointerAt(laid, 0, abi));
    EXPECT_EQ(4 * slot, laid.arguments.used);
    const std::uint8_t* text = PointerAt(laid, slot, abi);
    EXPECT_EQ(8, At<std::uint16_t>(text, 0));  // a BSTR
    const std::uint8_t* chars = Resolve(laid, AddressIn(text, 8, abi) - 4, abi) + 4;
    EXPECT_EQ(6u, At<std::uint32_t>(chars - 4, 0));  // its length in bytes
    EXPECT_EQ(u'c', At<char16_t>(chars, 4));
    EXPECT_EQ(nullptr, PointerAt(laid, 3 * slot, abi));  // Null: a null pointer

    auto* variant = const_cast<std::uint8_t*>(PointerAt(laid, 2 * slot, abi));
    EXPECT_EQ(3, At<std::uint16_t>(variant, 0));
    EXPECT_EQ(7, At<std::int32_t>(variant, 8));
    // The function leaves a double there.
    std::uint16_t vt = 5;
    double d = 6.5;
    std::memcpy(variant, &vt, 2);
    std::memcpy(variant + 8, &d, 8);
    ASSERT_EQ(1u, laid.arguments.readBacks.size());
    Value back = DllReadBackValue(laid.arguments.readBacks[0], abi, 0);
    EXPECT_EQ(kVtDouble, back.type());
    EXPECT_EQ(6.5, back.AsDouble());
  }
  // Objects and arrays have no variant form here.
  Laid laid;
  LayOut(u"F(VARIANT):INT:x.dll", os::kDllAbi32, {Value::ArrayOf({Value::Int(1)})}, &laid);
  EXPECT_EQ(DllLayout::kUnfit, laid.status);
}

TEST(DllLayoutTest, SafeArraysArePointersToADescriptorCopy) {
  const Value array = Value::ArrayOf({Value::Int(4), Value::Int(5), Value::Int(6)});
  for (const os::DllAbi& abi : {os::kDllAbi32, os::kDllAbi64}) {
    Laid laid;
    LayOut(u"F(SAFEARRAY, INT):INT:x.dll", abi, {Value::Null(), Value::Int(3)}, &laid);
    ASSERT_EQ(DllLayout::kDone, laid.status);
    EXPECT_EQ(nullptr, PointerAt(laid, 0, abi));
    LayOut(u"F(SAFEARRAY):INT:x.dll", abi, {Value::Int(3)}, &laid);
    EXPECT_EQ(DllLayout::kUnfit, laid.status);
  }
  // Only this machine's own arrays are built, by its automation layer.
  const os::DllAbi native = os::NativeDllAbi();
  const os::DllAbi& other = native.pointerBytes == 8 ? os::kDllAbi32 : os::kDllAbi64;
  Laid laid;
  LayOut(u"F(SAFEARRAY):INT:x.dll", other, {array}, &laid);
  EXPECT_EQ(DllLayout::kUnfit, laid.status);
  LayOut(u"F({INT, SAFEARRAY}):INT:x.dll", native, {Value::Int(1), array}, &laid);
  if (!os::ComAvailable()) {
    EXPECT_EQ(DllLayout::kUnfit, laid.status);
    return;
  }
  ASSERT_EQ(DllLayout::kDone, laid.status);
  ASSERT_EQ(1u, laid.arguments.safeArrays.size());
  const std::uint8_t* structure = PointerAt(laid, 0, native);
  const std::size_t field = static_cast<std::size_t>(native.pointerBytes);
  const std::uint8_t* copy = Resolve(laid, AddressIn(structure, field, native), native);
  ASSERT_NE(nullptr, copy);
  EXPECT_NE(static_cast<const void*>(copy), laid.arguments.safeArrays[0].get());
  EXPECT_EQ(0, std::memcmp(copy, laid.arguments.safeArrays[0].get(), 16));
  EXPECT_EQ(1, At<std::uint16_t>(copy, 0));  // dimensions
  // The first bound follows the data pointer: 3 elements from 0.
  const std::size_t bound = native.pointerBytes == 8 ? 24 : 16;
  EXPECT_EQ(3u, At<std::uint32_t>(copy, bound));
  EXPECT_EQ(0, At<std::int32_t>(copy, bound + 4));
}

TEST(DllReturnTest, RegistersBecomeValuesByType) {
  os::NativeCallResult r;
  r.integer = 0xFFFFFFFFu;
  Value v = DllReturnValue(ParseDllParam(u"DWORD"), r, os::kDllAbi32);
  EXPECT_EQ(kVtDouble, v.type());
  EXPECT_EQ(4294967295.0, v.AsDouble());  // unsigned, not -1
  EXPECT_EQ(-1, DllReturnValue(ParseDllParam(u"INT"), r, os::kDllAbi32).AsInt());
  EXPECT_EQ(255, DllReturnValue(ParseDllParam(u"BYTE"), r, os::kDllAbi32).AsInt());
  EXPECT_EQ(kVtWord, DllReturnValue(ParseDllParam(u"WORD"), r, os::kDllAbi32).type());
  EXPECT_EQ(kVtByte, DllReturnValue(ParseDllParam(u"VOID"), r, os::kDllAbi32).type());

  // edx:eax, and a handle as wide as the pointer.
  r.integer = 0x123456789ABCull;
  EXPECT_EQ(0x123456789ABC, DllReturnValue(ParseDllParam(u"LONGLONG"), r, os::kDllAbi32).AsInt());
  EXPECT_EQ(static_cast<double>(0x123456789ABCull),
            DllReturnValue(ParseDllParam(u"HWND"), r, os::kDllAbi64).AsDouble());
  EXPECT_EQ(static_cast<double>(0x56789ABCu),
            DllReturnValue(ParseDllParam(u"HWND"), r, os::kDllAbi32).AsDouble());

  // Floating results: st0 in the 32-bit build, XMM0 in the 64-bit one.
  DoubleToExtended(-0.75, r.x87);
  EXPECT_EQ(-0.75, DllReturnValue(ParseDllParam(u"DOUBLE"), r, os::kDllAbi32).AsDouble());
  float f = 1.25f;
  r.xmm0 = 0;
  std::memcpy(&r.xmm0, &f, 4);
  EXPECT_EQ(1.25, DllReturnValue(ParseDllParam(u"FLOAT"), r, os::kDllAbi64).AsDouble());

  // Texts from the returned pointer; a null one is empty.
  static const char16_t kText[] = u"back";
  r.integer = reinterpret_cast<std::uintptr_t>(kText);
  Value text = DllReturnValue(ParseDllParam(u"WSTRING"), r, os::NativeDllAbi());
  EXPECT_EQ(u"back", text.AsString());
  r.integer = 0;
  text = DllReturnValue(ParseDllParam(u"STRING"), r, os::NativeDllAbi());
  EXPECT_TRUE(text.IsNarrowString());
  EXPECT_EQ(u"", text.AsString());
}

TEST(DllReturnTest, ExtendedFormMatchesTheX87) {
  const double samples[] = {0.0,
                            -0.0,
                            1.0,
                            -2.5,
                            1.0 / 3,
                            1e300,
                            -1e-300,
                            5e-324,
                            2.2250738585072014e-308,
                            std::numeric_limits<double>::max(),
                            INFINITY,
                            -INFINITY};
  for (double d : samples) {
    std::uint8_t bytes[10];
    DoubleToExtended(d, bytes);
    EXPECT_EQ(d, ExtendedToDouble(bytes)) << d;
    EXPECT_EQ(std::signbit(d), std::signbit(ExtendedToDouble(bytes))) << d;
#if defined(__x86_64__) || defined(__i386__)
    // The machine's own long double is the reference where it is the x87 form.
    if (std::numeric_limits<long double>::digits == 64) {
      long double wide = d;
      EXPECT_EQ(0, std::memcmp(&wide, bytes, 10)) << d;
    }
#endif
  }
  std::uint8_t nan[10];
  DoubleToExtended(NAN, nan);
  EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

}  // namespace
}  // namespace zelk
