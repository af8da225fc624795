// A name resolved once to its place in a context's own table: later reads and
// writes index the table instead of hashing the name, while the table's
// name list keeps the version the place was found at. A table of another
// frame (recursion, a second call) has another version: the slot checks that
// the name still stands at its place there before it looks it up again.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/value.h"
#include "runtime/core/vector_sizes.h"

namespace zelk::vars {

struct VarSlot {
  std::uint64_t version = 0;  // no list has version 0
  std::int32_t index = -1;    // -1: not in the table at that version
};

// The own table's scalar NAME, as OwnScalarSlot answers it, or null. Null also
// for the global table while script threads run: it is read only under the lock.
inline Value* OwnScalarThrough(THensuFmt& context, std::u16string_view name, VarSlot& slot) {
  VariableTable& table = context.vars;
  if (&table == &context.interp->global.vars && !context.interp->SoleThread()) return nullptr;
  const std::uint64_t version = table.names.Version();
  if (slot.version != version) {
    slot.version = version;
    // Another frame of the same routine holds its names in the same places.
    if (!table.names.HoldsAt(slot.index, name)) slot.index = table.names.IndexOf(name);
  }
  if (slot.index < 0) return nullptr;
  const std::size_t v = static_cast<std::size_t>(slot.index);
  if (!HasIndex(table.values, v) || !HasIndex(table.bounds, v)) return nullptr;
  std::vector<Value>& elements = table.values[v];
  if (!table.bounds[v].empty() || elements.empty()) return nullptr;
  return &elements[0];
}

}  // namespace zelk::vars
