// The argument area of a DEF_DLL call: script values converted to the
// declared types and laid out as the machine passes them (32-bit: 4-byte
// stack positions; 64-bit: 8-byte slots), structures in buffers of their own
// behind a pointer, VAR parameters and arrays in temporary storage. What the
// function may have changed is listed for the read-back after the call.
// Nothing here calls the function: the layout is the same on every host, so
// both machines' layouts can be checked anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dll_call.h"
#include "runtime/calls/dll_declaration.h"
#include "runtime/core/value.h"

namespace zelk {

inline constexpr std::size_t kDllAreaBytes = 2048;
inline constexpr int kDllMaxStructures = 8;
// Arguments that need storage of their own may stand only this early.
inline constexpr std::size_t kDllArrayPositions = 20;
inline constexpr std::size_t kDllReferencePositions = 40;

// Writes the address p as a pointer of pointerBytes bytes (little-endian,
// zero-extended): a layout for the wider machine made on a 32-bit host must
// not take the bytes beyond the host's own pointer.
inline void StoreAddress(std::uint8_t* at, const void* p, int pointerBytes) {
  std::uint64_t address = reinterpret_cast<std::uintptr_t>(p);
  for (int i = 0; i < pointerBytes; ++i, address >>= 8) {
    at[i] = static_cast<std::uint8_t>(address & 0xFF);
  }
}

// Something the called function may have written, in parameter order.
struct DllReadBack {
  enum Kind { kScalar, kText, kArray, kVariant };
  Kind kind = kScalar;
  std::size_t argument = 0;  // which argument it goes back to
  DllParam type;
  const std::uint8_t* at = nullptr;
  std::size_t count = 0;  // kText: code units of room; kArray: elements
};

// Frees a native safe array made for a SAFEARRAY argument.
struct DllSafeArrayDeleter {
  void operator()(void* safeArray) const;
};

struct DllArguments {
  alignas(16) std::uint8_t area[kDllAreaBytes];
  std::size_t used = 0;  // bytes of area, a multiple of the slot size
  std::vector<std::unique_ptr<std::uint8_t[]>> buffers;
  std::vector<DllReadBack> readBacks;
  // Byte size of the structure buffers in order of their "}" (for checks).
  std::vector<std::size_t> structureSizes;
  // A VARIANT result: the variant the hidden first argument points to.
  const std::uint8_t* variantResult = nullptr;
  // SAFEARRAY arguments: the arrays whose descriptors were copied.
  std::vector<std::unique_ptr<void, DllSafeArrayDeleter>> safeArrays;
  std::uint8_t* NewBuffer(std::size_t bytes);  // zero-filled
};

enum class DllLayout {
  kDone,
  kUnfit,              // "DLL:Does not fit the type of the argument"
  kStructureTooLarge,  // a structure outgrew its 2048 bytes
  kReported,           // an array argument could not be read (reported)
};

// The elements of an array argument (flat, in the array's order); false
// after the reader has reported why not.
using DllArrayReader = std::function<bool(std::size_t argument, std::vector<Value>* elements)>;

DllLayout LayOutDllArguments(const DllDeclaration& declaration, const os::DllAbi& abi,
                             std::span<const std::u16string_view> texts,
                             std::span<const Value> values, const DllArrayReader& readArray,
                             DllArguments* out);

// The value of one element of the type stored at `at`, as VAR read-back
// and return values give it.
Value DllValueAt(const DllParam& type, const std::uint8_t* at, const os::DllAbi& abi);
// The elements of a read-back entry (kArray) or its value (kScalar, kText).
Value DllReadBackValue(const DllReadBack& entry, const os::DllAbi& abi, std::size_t element);
// The call's value by the declared return type.
Value DllReturnValue(const DllParam& type, const os::NativeCallResult& result,
                     const os::DllAbi& abi);
// SAFEARRAY: a native array of the value's elements (false for what is no
// array, or when the host cannot build one for that machine); *descriptor is
// a copy of its descriptor in out's buffers.
bool MakeDllSafeArray(const Value& v, const os::DllAbi& abi, DllArguments* out,
                      std::uint8_t** descriptor);
// VARIANT: its size, a value written in its form (false for objects and
// arrays; texts are kept in out's buffers) and read back from it.
std::size_t DllVariantBytes(const os::DllAbi& abi);
bool WriteDllVariant(const Value& v, const os::DllAbi& abi, std::uint8_t* at, DllArguments* out);
Value DllVariantAt(const std::uint8_t* at, const os::DllAbi& abi);
// Whether the return travels on the x87 stack in a 32-bit build.
bool DllFloatReturn(const DllParam& type);

// The 10-byte x87 form of a double and back (sign, 15-bit exponent, 64-bit
// mantissa with its leading bit written out).
void DoubleToExtended(double d, std::uint8_t out[10]);
double ExtendedToDouble(const std::uint8_t in[10]);

}  // namespace zelk
