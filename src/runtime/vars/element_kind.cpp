#include "runtime/vars/element_kind.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace zelk::vars {

bool WholeNumberRange(VarType kind, double* low, double* high) {
  switch (kind) {
    case kVtShortInt:
      *low = -128.0, *high = 127.0;
      return true;
    case kVtByte:
      *low = 0.0, *high = 255.0;
      return true;
    case kVtSmallint:
      *low = -32768.0, *high = 32767.0;
      return true;
    case kVtWord:
      *low = 0.0, *high = 65535.0;
      return true;
    case kVtInteger:
      *low = -2147483648.0, *high = 2147483647.0;
      return true;
    case kVtLongWord:
      *low = 0.0, *high = 4294967295.0;
      return true;
    case kVtInt64:
      // The largest doubles below 2^63 and above -2^63.
      *low = -9223372036854775808.0, *high = 9223372036854774784.0;
      return true;
    case kVtUInt64:
      *low = 0.0, *high = 18446744073709549568.0;
      return true;
    default:
      return false;
  }
}

bool ConvertToElementKind(VarType kind, Value* value) {
  if (value->type() == kind) return true;
  double low = 0, high = 0;
  if (WholeNumberRange(kind, &low, &high)) {
    double d;
    if (!value->ToNumber(&d)) return false;
    // Halves go to the even neighbour, as the automation conversions do.
    d = std::nearbyint(d);
    if (!(d >= low) || !(d <= high)) return false;
    std::int64_t whole = kind == kVtUInt64
                             ? static_cast<std::int64_t>(static_cast<std::uint64_t>(d))
                             : static_cast<std::int64_t>(d);
    *value = Value::Int(whole, kind);
    return true;
  }
  switch (kind) {
    case kVtDouble:
    case kVtDate: {
      double d;
      if (!value->ToNumber(&d)) return false;
      *value = kind == kVtDate ? Value::Date(d) : Value::Double(d);
      return true;
    }
    case kVtBoolean: {
      if (value->IsBoolean()) return true;
      double d;
      if (!value->ToNumber(&d)) return false;
      *value = Value::Boolean(d != 0);
      return true;
    }
    case kVtOleStr: {
      std::u16string text;
      if (!value->ToText(&text)) return false;
      *value = Value::String(std::move(text), kVtOleStr);
      return true;
    }
    default:
      return true;
  }
}

}  // namespace zelk::vars
