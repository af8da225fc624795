// The variables of a context as the debugger shows them: one row per
// variable, then one per hash table, each with its name (decorated for
// arrays), the display text of its value and its kind code; and the writing
// of a new value while the run is paused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// The kind code of arrays and hash tables, which cannot be changed in place.
inline constexpr int kCompositeKind = -1;

struct VariableRow {
  std::u16string name;   // "A", "LIST[][]", "SPLIT_RESULT->[]", "TABLE[]"
  std::u16string value;  // display text, or a preview of the elements
  int kind = kCompositeKind;
  bool isHashTable = false;
  int index = 0;  // in the context's variable table or hash-table list
};

// Rows 0..n-1 for the variables in the order of their names, then one per
// hash table. Reads the global table under its lock.
std::vector<VariableRow> VariableRows(const THensuFmt& context);

// The name of a kind code for hints: "Integer", "OleStr", "Array of Variant"
// ... ("Array of " alone for kCompositeKind).
std::u16string KindName(int kind);

// One element of an array or hash table, for views that unfold them.
struct ElementRow {
  std::u16string name;  // "[3]", "[1, 2]", or the hash key
  Value value;
};
// The elements of a variable (declared array, array value, hash table) from
// first, at most count of them; the total is in *total. A scalar has none.
std::vector<ElementRow> ElementRows(const THensuFmt& context, const VariableRow& row,
                                    std::size_t first, std::size_t count, std::size_t* total);
// The elements of an array value (a variable's element that holds one).
std::vector<ElementRow> ArrayValueElements(const Value& array, std::size_t first, std::size_t count,
                                           std::size_t* total);

// Stores value as the single value of variable index of the context (the
// global table under its lock). False when there is no such scalar.
bool WriteVariable(THensuFmt& context, int index, const Value& value);

}  // namespace zelk
