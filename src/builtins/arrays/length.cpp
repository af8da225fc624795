// LENGTH: the size of an array dimension, the number of keys of a hash table,
// the element count of an OLE array, or else the code points of a text.
#include <exception>

#include "base/code_points.h"
#include "builtins/arrays/array_access.h"
#include "builtins/arrays/array_functions.h"
#include "runtime/calls/com_objects.h"
#include "runtime/expr/evaluate.h"

namespace zelk::arrays {
namespace {

// Result arrays that read as empty before their built-in first fills them.
bool IsResultArrayName(std::u16string_view name) {
  for (std::u16string_view known : {u"EVENT_PRM", u"GETDIR_FILES", u"ALL_ITEM_LIST", u"ALL_WIN_ID",
                                    u"ALL_OLE_ITEM", u"ALL_IMG_X", u"ALL_IMG_Y"}) {
    if (name == known) return true;
  }
  return false;
}

std::int64_t ArraySize(const ArrayArgument& argument) {
  if (const VariableTable* table = argument.scriptTable()) {
    // The dimension after the written indexes.
    const auto& bounds = table->bounds[static_cast<std::size_t>(argument.scriptVariable())];
    return std::int64_t{bounds[static_cast<std::size_t>(argument.indexCount())]} + 1;
  }
  if (argument.oleRow()) return static_cast<std::int64_t>(argument.elements().size());
  const ArrayCell* cell = argument.oleHolder()->AsArray();
  if (cell->bounds.empty()) return static_cast<std::int64_t>(cell->items.size());
  return cell->bounds[0].count;
}

void MeasureLength(BuiltinCall& call) {
  const std::u16string& text = call.args.text[0];
  ArrayArgument argument(call.context);
  if (!argument.Prepare(text)) {
    call.failed = true;
    return;
  }
  switch (argument.Bind(false)) {
    case Found::kArray:
      call.result = Value::Int(ArraySize(argument));
      return;
    case Found::kFailed: {
      std::u16string message = argument.message();
      argument.Release();
      call.Fail(message);
      return;
    }
    case Found::kNotArray:
      break;
  }
  argument.Release();
  if (argument.undefinedName()) {
    if (IsResultArrayName(argument.text())) {
      call.result = Value::Int(0);
      return;
    }
    // Reports the name as undefined.
    Value value;
    if (!Evaluate(text, call.context, &value)) {
      call.failed = true;
      return;
    }
    call.result = Value::Int(static_cast<std::int64_t>(CodePointCount(value.Text())));
    return;
  }
  if (argument.hashTable()) {
    call.result = Value::Int(argument.hashCount());
    return;
  }
  if (argument.value().IsDispatch() && !argument.value().IsNothing()) {
    // A COM collection: the number of its items.
    std::vector<Value> items;
    call.result = Value::Int(
        EnumerateComCollection(argument.value(), call.context, false, &items, &call.failed)
            ? static_cast<std::int64_t>(items.size())
            : -1);
    return;
  }
  call.result = Value::Int(static_cast<std::int64_t>(CodePointCount(argument.value().Text())));
}

}  // namespace

void Length(BuiltinCall& call) {
  call.result = Value::Int(-1);
  try {
    MeasureLength(call);
  } catch (const std::exception&) {
    call.Fail(u"SyntaxError-21");
  }
}

}  // namespace zelk::arrays
