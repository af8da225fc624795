// What comes back from a DEF_DLL call: return registers and the storage the
// function may have written, as script values by the declared type.
#include <cmath>
#include <cstring>

#include "platform/platform.h"
#include "runtime/calls/dll_arguments.h"

namespace zelk {
namespace {

template <typename T>
T Load(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Text at a pointer the function handed out; an unreadable one reads as "".
Value TextFrom(std::uintptr_t address, bool wide) {
  const void* p = reinterpret_cast<const void*>(address);
  std::size_t n = os::LibraryTextLength(p, wide);
  if (wide) return Value::String(std::u16string(static_cast<const char16_t*>(p), n));
  return Value::String(os::AnsiToText(std::string_view(static_cast<const char*>(p), n)),
                       kVtNarrowStr);
}

std::uintptr_t PointerAt(const std::uint8_t* at, const os::DllAbi& abi) {
  return abi.pointerBytes == 8 ? static_cast<std::uintptr_t>(Load<std::uint64_t>(at))
                               : static_cast<std::uintptr_t>(Load<std::uint32_t>(at));
}

}  // namespace

Value DllValueAt(const DllParam& type, const std::uint8_t* at, const os::DllAbi& abi) {
  switch (type.code) {
    case kDllInt:
      return Value::Int(Load<std::int32_t>(at));
    case kDllFloat:
      return Value::Double(Load<float>(at));
    case kDllDouble:
      return Value::Double(Load<double>(at));
    case kDllWord:
      return Value::Int(Load<std::uint16_t>(at), kVtWord);
    case kDllDword:
      if (type.pointerSized && abi.pointerBytes == 8) {
        return Value::Double(static_cast<double>(Load<std::uint64_t>(at)));
      }
      return Value::Double(Load<std::uint32_t>(at));
    case kDllByte:
      return Value::Int(at[0], kVtByte);
    case kDllChar:
      return Value::String(os::AnsiToText(std::string(1, static_cast<char>(at[0]))), kVtNarrowStr);
    case kDllWChar:
      return Value::String(std::u16string(1, Load<char16_t>(at)));
    case kDllLongLong:
      return Value::Int(Load<std::int64_t>(at), kVtInt64);
    case kDllExtended:
      return Value::Double(abi.wideExtended ? ExtendedToDouble(at) : Load<double>(at));
    case kDllString:
    case kDllPChar:
      return TextFrom(PointerAt(at, abi), false);
    case kDllWString:
    case kDllPWChar:
      return TextFrom(PointerAt(at, abi), true);
    default:
      return Value::FailedByte();
  }
}

Value DllReadBackValue(const DllReadBack& entry, const os::DllAbi& abi, std::size_t element) {
  if (entry.kind == DllReadBack::kVariant) return DllVariantAt(entry.at, abi);
  if (entry.kind == DllReadBack::kText) {
    // Up to the first NUL inside the room the text had.
    bool wide = entry.type.code == kDllWString || entry.type.code == kDllPWChar;
    std::size_t n = 0;
    if (wide) {
      while (n < entry.count && Load<char16_t>(entry.at + 2 * n) != 0) ++n;
      std::u16string text(n, u'\0');
      std::memcpy(text.data(), entry.at, 2 * n);
      return Value::String(std::move(text));
    }
    while (n < entry.count && entry.at[n] != 0) ++n;
    return Value::String(
        os::AnsiToText(std::string_view(reinterpret_cast<const char*>(entry.at), n)), kVtNarrowStr);
  }
  std::size_t width = 0;
  if (entry.kind == DllReadBack::kArray) {
    switch (entry.type.code) {
      case kDllByte:
        width = 1;
        break;
      case kDllWord:
        width = 2;
        break;
      case kDllInt:
      case kDllFloat:
        width = 4;
        break;
      case kDllDword:
        width = entry.type.pointerSized ? static_cast<std::size_t>(abi.pointerBytes) : 4;
        break;
      case kDllExtended:
        width = abi.wideExtended ? 10 : 8;
        break;
      default:
        width = 8;
        break;
    }
  }
  return DllValueAt(entry.type, entry.at + element * width, abi);
}

bool DllFloatReturn(const DllParam& type) {
  return type.code == kDllFloat || type.code == kDllDouble || type.code == kDllExtended;
}

Value DllReturnValue(const DllParam& type, const os::NativeCallResult& result,
                     const os::DllAbi& abi) {
  if (type.code == kDllVoid) return Value::FailedByte();
  if (DllFloatReturn(type)) {
    if (abi.wideExtended) return Value::Double(ExtendedToDouble(result.x87));
    std::uint8_t bytes[8];
    std::memcpy(bytes, &result.xmm0, 8);
    if (type.code == kDllFloat) return Value::Double(Load<float>(bytes));
    return Value::Double(Load<double>(bytes));
  }
  std::uint8_t bytes[8];
  std::memcpy(bytes, &result.integer, 8);
  return DllValueAt(type, bytes, abi);
}

void DoubleToExtended(double d, std::uint8_t out[10]) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  std::uint16_t sign = static_cast<std::uint16_t>((bits >> 48) & 0x8000);
  int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  std::uint64_t mantissa = 0;
  std::uint16_t top = sign;
  if (exponent == 0x7FF) {
    top |= 0x7FFF;
    mantissa = (std::uint64_t{1} << 63) | (fraction << 11);
  } else if (exponent != 0) {
    top |= static_cast<std::uint16_t>(exponent - 1023 + 16383);
    mantissa = (std::uint64_t{1} << 63) | (fraction << 11);
  } else if (fraction != 0) {
    // A subnormal double is a normal extended value.
    int shift = 0;
    while ((fraction & (std::uint64_t{1} << 52)) == 0) {
      fraction <<= 1;
      ++shift;
    }
    top |= static_cast<std::uint16_t>(1 - 1023 - shift + 16383);
    mantissa = fraction << 11;
  }
  std::memcpy(out, &mantissa, 8);
  std::memcpy(out + 8, &top, 2);
}

double ExtendedToDouble(const std::uint8_t in[10]) {
  std::uint64_t mantissa = Load<std::uint64_t>(in);
  std::uint16_t top = Load<std::uint16_t>(in + 8);
  bool negative = (top & 0x8000) != 0;
  int exponent = top & 0x7FFF;
  double d;
  if (exponent == 0x7FFF) {
    d = (mantissa << 1) == 0 ? INFINITY : NAN;
  } else {
    // One rounding to 53 bits, then an exact scaling (until subnormal).
    d = std::ldexp(static_cast<double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
  }
  return negative ? -d : d;
}

}  // namespace zelk
