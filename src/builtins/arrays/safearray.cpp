// SAFEARRAY: a new OLE array of one or two dimensions with the given bounds
// and element kind, for COM calls and for scripts that want fixed bounds.
#include <cstdint>
#include <limits>
#include <new>

#include "builtins/arrays/array_functions.h"
#include "foundation/messages.h"
#include "runtime/vars/variable_parts.h"

namespace zelk::arrays {
namespace {

// The element kinds an OLE array may have.
bool IsElementKind(std::int64_t type) {
  return (type >= kVtSmallint && type <= kVtUnknown) || (type >= kVtShortInt && type <= kVtUInt64);
}

bool ToBound(std::int64_t value, std::int32_t* out) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  *out = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

Value InitialElement(VarType type) {
  switch (type) {
    case kVtVariant:
      return Value();
    case kVtOleStr:
      return Value::String(u"", kVtOleStr);
    case kVtDispatch:
      return Value::Nothing();
    case kVtBoolean:
      return Value::Boolean(false);
    case kVtDate:
      return Value::Date(0);
    case kVtDouble:
      return Value::Double(0);
    default:
      // Every other kind holds its zero as all-zero bits (Single and
      // Currency included).
      return Value::Int(0, type);
  }
}

void SafeArray(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  if (args.count == 0) {
    call.result = Value::ArrayOf({});
    return;
  }
  const int dims = args.count >= 4 ? 2 : 1;
  const int typeAt = dims * 2;
  const std::int64_t type =
      args.count > typeAt ? args.whole[static_cast<std::size_t>(typeAt)] : std::int64_t{kVtVariant};
  if (!IsElementKind(type)) {
    call.Fail(Msg(u"SAFEARRAY: Invalid variant type: ", u"SAFEARRAY: バリアント型が無効です: ") +
              args.text[static_cast<std::size_t>(typeAt)]);
    return;
  }
  std::vector<ArrayBound> bounds(static_cast<std::size_t>(dims));
  std::int64_t total = 1;
  for (int d = 0; d < dims; ++d) {
    std::int32_t lower, upper;
    if (!ToBound(args.whole[static_cast<std::size_t>(2 * d)], &lower) ||
        !ToBound(args.whole[static_cast<std::size_t>(2 * d + 1)], &upper) ||
        std::int64_t{upper} < std::int64_t{lower} - 1) {
      call.Fail(vars::IndexWrongMessage());
      return;
    }
    std::int64_t count = std::int64_t{upper} - lower + 1;
    bounds[static_cast<std::size_t>(d)] = {lower, static_cast<std::int32_t>(count)};
    total *= count;
    if (total > vars::kMaxElements) {
      call.Fail(vars::OutOfMemoryText());
      return;
    }
  }
  auto* cell = new ArrayCell;
  cell->elementType = static_cast<VarType>(type);
  cell->bounds = std::move(bounds);
  Value result = Value::Array(cell);  // owns the cell from here on
  try {
    cell->items.assign(static_cast<std::size_t>(total), InitialElement(cell->elementType));
  } catch (const std::bad_alloc&) {
    call.Fail(vars::OutOfMemoryText());
    return;
  }
  call.result = std::move(result);
}

}  // namespace zelk::arrays
