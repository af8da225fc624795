#include "runtime/calls/com_values.h"

#include <cmath>
#include <limits>

namespace zelk {
namespace {

constexpr std::u16string_view kEmptyParamText = u"__EMPTYPARAM__";

}  // namespace

Value ObjectValue(os::ComRef ref) {
  if (!ref) return Value::Nothing();
  return Value::Object(new ComObjectCell(std::move(ref)));
}

os::ComRef ComRefOf(const Value& v) {
  if (!v.IsDispatch() || v.IsNothing()) return {};
  const auto* cell = dynamic_cast<const ComObjectCell*>(v.AsObject());
  return cell ? cell->ref() : os::ComRef{};
}

Value ValueFromCom(const os::ComValue& v) {
  if (v.type & os::kComArray) {
    auto* cell = new ArrayCell();
    if (v.array) {
      cell->elementType = static_cast<VarType>(v.array->elementType);
      for (std::size_t d = 0; d < v.array->count.size(); ++d) {
        cell->bounds.push_back(ArrayBound{v.array->lower[d], v.array->count[d]});
      }
      cell->items.reserve(v.array->items.size());
      for (const os::ComValue& item : v.array->items) cell->items.push_back(ValueFromCom(item));
    }
    return Value::Array(cell);
  }
  switch (v.type) {
    case os::kComEmpty:
      return Value();
    case os::kComNull:
      return Value::Null();
    case os::kComR4:
    case os::kComR8: {
      Value d = Value::Double(v.real);
      return d;
    }
    case os::kComDate:
      return Value::Date(v.real);
    case os::kComString:
      return Value::String(v.text, kVtOleStr);
    case os::kComDispatch:
    case os::kComUnknown:
      return ObjectValue(v.object);
    case os::kComBool:
      return Value::Boolean(v.integer != 0);
    case os::kComError:
      return Value::Error(static_cast<std::int32_t>(v.integer));
    case os::kComI2:
    case os::kComI4:
    case os::kComCurrency:
    case os::kComI1:
    case os::kComUI1:
    case os::kComUI2:
    case os::kComUI4:
    case os::kComI8:
    case os::kComUI8:
      return Value::Int(v.integer, static_cast<VarType>(v.type));
    default:
      return Value();
  }
}

os::ComValue ComFromValue(const Value& v, bool asArgument) {
  os::ComValue out;
  const VarType type = v.type();
  if (v.IsArray()) {
    auto array = std::make_shared<os::ComArray>();
    const ArrayCell& cell = *v.AsArray();
    array->elementType = static_cast<std::uint16_t>(cell.elementType);
    for (const ArrayBound& b : cell.bounds) {
      array->lower.push_back(b.lower);
      array->count.push_back(b.count);
    }
    array->items.reserve(cell.items.size());
    for (const Value& item : cell.items) array->items.push_back(ComFromValue(item, false));
    out.type = static_cast<std::uint16_t>(os::kComArray | array->elementType);
    out.array = std::move(array);
    return out;
  }
  switch (type) {
    case kVtEmpty:
    case kVtNull:
      out.type = type;
      return out;
    case kVtSingle:
      out.type = os::kComR4;
      v.ToNumber(&out.real);
      return out;
    case kVtDouble: {
      const double d = v.AsDouble();
      if (asArgument && std::floor(d) == d && d >= std::numeric_limits<std::int32_t>::min() &&
          d <= std::numeric_limits<std::int32_t>::max()) {
        out.type = os::kComI4;
        out.integer = static_cast<std::int64_t>(d);
      } else {
        out.type = os::kComR8;
        out.real = d;
      }
      return out;
    }
    case kVtDate:
      out.type = os::kComDate;
      out.real = v.AsDouble();
      return out;
    case kVtUString:
    case kVtOleStr:
    case kVtNarrowStr:
      if (asArgument && v.AsString() == kEmptyParamText) {
        out.type = os::kComError;
        out.integer = os::kComParamNotFound;
        return out;
      }
      out.type = os::kComString;
      out.text = v.AsString();
      return out;
    case kVtDispatch:
      out.type = os::kComDispatch;
      out.object = ComRefOf(v);
      return out;
    case kVtBoolean:
      out.type = os::kComBool;
      out.integer = v.AsBoolean() ? -1 : 0;
      return out;
    case kVtError:
    case kVtSmallint:
    case kVtInteger:
    case kVtCurrency:
    case kVtShortInt:
    case kVtByte:
    case kVtWord:
    case kVtLongWord:
    case kVtInt64:
    case kVtUInt64:
      out.type = type;
      out.integer = v.AsInt();
      return out;
    default:
      out.type = os::kComEmpty;
      return out;
  }
}

}  // namespace zelk
