// RESIZE, SETCLEAR, SHIFTARRAY and SLICE: the array functions that change an
// array's size or contents in place, or copy a part of it.
#include <algorithm>
#include <new>
#include <utility>

#include "builtins/arrays/array_access.h"
#include "builtins/arrays/array_functions.h"
#include "runtime/vars/variable_parts.h"

namespace zelk::arrays {
namespace {

// RESIZE of a script array variable; *message is set on failure.
std::int64_t ResizeScript(const ArrayArgument& argument, const BuiltinArgs& args,
                          std::u16string* message) {
  VariableTable& table = *argument.scriptTable();
  const std::size_t v = static_cast<std::size_t>(argument.scriptVariable());
  std::vector<std::int32_t>& bounds = table.bounds[v];
  if (bounds.size() != 1 || argument.indexCount() != 0) {
    *message = vars::DimensionsMessage(argument.text());
    return -1;
  }
  if (args.count < 2) return bounds[0];
  const std::int64_t upper = std::max<std::int64_t>(args.whole[1], -1);
  if (upper + 1 > vars::kMaxElements) {
    *message = vars::OutOfMemoryText();
    return bounds[0];
  }
  try {
    table.values[v].resize(static_cast<std::size_t>(upper + 1));
  } catch (const std::bad_alloc&) {
    *message = vars::OutOfMemoryText();
    return bounds[0];
  }
  bounds[0] = static_cast<std::int32_t>(upper);
  return upper;
}

// RESIZE of a one-dimensional OLE array; its lower bound stays.
std::int64_t ResizeOle(const ArrayArgument& argument, const BuiltinArgs& args,
                       std::u16string* message) {
  Value& holder = *argument.oleHolder();
  if (argument.oleRow() || holder.AsArray()->bounds.size() != 1) {
    *message = vars::DimensionsMessage(argument.text());
    return -1;
  }
  const ArrayBound& current = holder.AsArray()->bounds[0];
  const std::int64_t lower = current.lower;
  if (args.count < 2) return lower + current.count - 1;
  ArrayCell* cell = holder.MutableArray();
  ArrayBound& bound = cell->bounds[0];
  const std::int64_t upper = std::max<std::int64_t>(args.whole[1], lower - 1);
  const std::int64_t count = upper - lower + 1;
  if (count > vars::kMaxElements) {
    *message = vars::OutOfMemoryText();
    return lower + bound.count - 1;
  }
  try {
    cell->items.resize(static_cast<std::size_t>(count), InitialElement(cell->elementType));
  } catch (const std::bad_alloc&) {
    *message = vars::OutOfMemoryText();
    return lower + bound.count - 1;
  }
  bound.count = static_cast<std::int32_t>(count);
  return upper;
}

}  // namespace

void Resize(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  ArrayArgument argument(call.context);
  const bool changing = args.count >= 2;
  Found found = argument.Resolve(args.text[0], changing);
  std::u16string message;
  std::int64_t result = -1;
  if (found == Found::kFailed) {
    message = argument.message();
  } else if (found == Found::kNotArray) {
    message = NotAnArrayMessage(argument.text());
  } else if (argument.scriptTable() != nullptr) {
    result = ResizeScript(argument, args, &message);
  } else {
    result = ResizeOle(argument, args, &message);
  }
  argument.Finish(changing && message.empty() && found == Found::kArray);
  if (found == Found::kFailed && message.empty()) {
    call.failed = true;  // the evaluation has reported
  } else if (!message.empty()) {
    call.Fail(message);
  } else {
    call.result = Value::Int(result);
  }
}

void SetClear(BuiltinCall& call) {
  ArrayArgument argument(call.context);
  if (!OpenArray(argument, call, call.args.text[0], true)) return;
  const Value fill = call.args.count >= 2 ? call.args.value[1] : Value();
  const ElementView& elements = argument.elements();
  for (std::size_t k = 0; k < elements.size(); ++k) elements[k] = fill;
  argument.Finish(true);
}

void ShiftArray(BuiltinCall& call) {
  ArrayArgument argument(call.context);
  if (!OpenArray(argument, call, call.args.text[0], true)) return;
  const ElementView& a = argument.elements();
  const std::size_t size = a.size();
  const std::int64_t n = call.args.whole[1];
  const std::size_t distance = static_cast<std::size_t>(std::min<std::uint64_t>(
      n < 0 ? -static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n), size));
  if (n > 0) {
    for (std::size_t i = size; i-- > distance;) a[i] = std::move(a[i - distance]);
    for (std::size_t i = 0; i < distance; ++i) a[i] = Value();
  } else if (n < 0) {
    for (std::size_t i = 0; i + distance < size; ++i) a[i] = std::move(a[i + distance]);
    for (std::size_t i = size - distance; i < size; ++i) a[i] = Value();
  }
  argument.Finish(n != 0);
}

void Slice(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  ArrayArgument argument(call.context);
  if (!OpenArray(argument, call, args.text[0], false)) return;
  const ElementView& a = argument.elements();
  const std::int64_t last = static_cast<std::int64_t>(a.size()) - 1;
  const std::int64_t from = std::max<std::int64_t>(args.count >= 2 ? args.whole[1] : 0, 0);
  const std::int64_t to = std::min(args.count >= 3 && args.numeric[2] ? args.whole[2] : last, last);
  std::vector<Value> part;
  if (from <= to) {
    part.reserve(static_cast<std::size_t>(to - from + 1));
    for (std::int64_t i = from; i <= to; ++i) part.push_back(a[static_cast<std::size_t>(i)]);
  }
  argument.Release();
  call.result = Value::ArrayOf(std::move(part));
}

}  // namespace zelk::arrays
