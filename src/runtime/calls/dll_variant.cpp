// VARIANT parameters and results: a script value in the automation layer's
// variant form (type word, then the value 8 bytes in), 16 bytes in the 32-bit
// build and 24 in the 64-bit one. Texts travel as a length-prefixed string
// (BSTR) in the call's own storage; the function must not free it.
#include <cstring>

#include "platform/dll_call.h"
#include "runtime/calls/dll_arguments.h"

namespace zelk {
namespace {

constexpr std::uint16_t kVariantBstr = 8;
constexpr std::uint16_t kVariantInt = 22;
constexpr std::uint16_t kVariantUInt = 23;

template <typename T>
void Store(std::uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
T Load(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

std::size_t DllVariantBytes(const os::DllAbi& abi) {
  return abi.pointerBytes == 8 ? 24 : 16;
}

bool WriteDllVariant(const Value& v, const os::DllAbi& abi, std::uint8_t* at, DllArguments* out) {
  std::uint8_t* data = at + 8;
  VarType type = v.type();
  switch (type) {
    case kVtEmpty:
    case kVtNull:
      break;
    case kVtSmallint:
    case kVtBoolean:
      Store<std::int16_t>(data, type == kVtBoolean ? (v.AsBoolean() ? -1 : 0)
                                                   : static_cast<std::int16_t>(v.AsInt()));
      break;
    case kVtInteger:
    case kVtError:
    case kVtLongWord:
      Store<std::int32_t>(data, static_cast<std::int32_t>(v.AsInt()));
      break;
    case kVtSingle: {
      double d;
      v.ToNumber(&d);
      Store<float>(data, static_cast<float>(d));
      break;
    }
    case kVtDouble:
    case kVtDate:
      Store<double>(data, v.AsDouble());
      break;
    case kVtCurrency:
    case kVtInt64:
    case kVtUInt64:
      Store<std::int64_t>(data, v.AsInt());
      break;
    case kVtShortInt:
    case kVtByte:
      data[0] = static_cast<std::uint8_t>(v.AsInt());
      break;
    case kVtWord:
      Store<std::uint16_t>(data, static_cast<std::uint16_t>(v.AsInt()));
      break;
    case kVtUString:
    case kVtOleStr:
    case kVtNarrowStr: {
      const std::u16string& text = v.AsString();
      std::uint8_t* bstr = out->NewBuffer(4 + 2 * (text.size() + 1));
      Store<std::uint32_t>(bstr, static_cast<std::uint32_t>(2 * text.size()));
      std::memcpy(bstr + 4, text.data(), 2 * text.size());
      StoreAddress(data, bstr + 4, abi.pointerBytes);
      type = static_cast<VarType>(kVariantBstr);
      break;
    }
    default:
      return false;  // objects and arrays have no form here
  }
  Store<std::uint16_t>(at, static_cast<std::uint16_t>(type));
  return true;
}

Value DllVariantAt(const std::uint8_t* at, const os::DllAbi& abi) {
  const std::uint8_t* data = at + 8;
  switch (Load<std::uint16_t>(at)) {
    case kVtEmpty:
      return Value();
    case kVtNull:
      return Value::Null();
    case kVtSmallint:
      return Value::Int(Load<std::int16_t>(data), kVtSmallint);
    case kVtInteger:
    case kVariantInt:
      return Value::Int(Load<std::int32_t>(data));
    case kVtSingle:
      return Value::Double(Load<float>(data));
    case kVtDouble:
      return Value::Double(Load<double>(data));
    case kVtCurrency:
      return Value::Int(Load<std::int64_t>(data), kVtCurrency);
    case kVtDate:
      return Value::Date(Load<double>(data));
    case kVariantBstr: {
      DllParam text;
      text.code = kDllWString;
      return DllValueAt(text, data, abi);
    }
    case kVtError:
      return Value::Error(Load<std::int32_t>(data));
    case kVtBoolean:
      return Value::Boolean(Load<std::int16_t>(data) != 0);
    case kVtShortInt:
      return Value::Int(static_cast<std::int8_t>(data[0]), kVtShortInt);
    case kVtByte:
      return Value::Int(data[0], kVtByte);
    case kVtWord:
      return Value::Int(Load<std::uint16_t>(data), kVtWord);
    case kVtLongWord:
    case kVariantUInt:
      return Value::Int(Load<std::uint32_t>(data), kVtLongWord);
    case kVtInt64:
      return Value::Int(Load<std::int64_t>(data), kVtInt64);
    case kVtUInt64:
      return Value::Int(Load<std::int64_t>(data), kVtUInt64);
    default:
      return Value::FailedByte();
  }
}

}  // namespace zelk
