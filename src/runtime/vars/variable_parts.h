// The parts of the variable store that the built-ins build on: names with
// evaluated indices, index arithmetic without messages, creating and
// re-dimensioning, the special names, and the message texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

class Interpreter;

namespace vars {

inline constexpr int kMaxIndexes = 16;
// FlatPosition outcomes besides an element number.
inline constexpr std::int64_t kExceeded = -999999;
inline constexpr std::int64_t kNested = -1;  // more indices than dimensions, or overflow
// Arrays larger than this are refused rather than left to exhaust memory.
inline constexpr std::int64_t kMaxElements = std::int64_t{1} << 26;

// NAME or NAME[i][j] / NAME[i, j] with the index expressions evaluated. The
// base is a view into the parsed text.
struct IndexedName {
  std::u16string_view base;
  bool bracketed = false;  // the text ended with "]"
  int count = 0;
  std::array<Value, kMaxIndexes> values;
};

// False when an index could not be evaluated (the evaluator has reported) or
// has no text form, or when there are more than 16 (both reported here).
bool ParseName(THensuFmt& context, std::u16string_view text, IndexedName* out);

// The index rules of IndexesToIntegers for one evaluated index; on failure
// *failure names the offending text.
bool IndexToInteger(const Value& index, std::int32_t* out, std::u16string* failure);

// Row-major element number over the first n dimensions; kExceeded for an
// index outside its bound, kNested for more indices than dimensions or an
// overflow. Never reports.
std::int64_t FlatPosition(const std::vector<std::int32_t>& bounds, const std::int32_t* ints, int n);

// Element count of an array with these bounds, or -1 when a bound is below -1
// or the count exceeds kMaxElements.
std::int64_t ElementCount(const std::vector<std::int32_t>& bounds);

bool IsGlobalTable(const THensuFmt& context, const VariableTable& table);

// Creates NAME with the given bounds (none: a scalar) or re-dimensions it,
// keeping flat positions; a new global variable gets its private flag entry.
// The caller holds VariableLock for the global table. Returns the variable's
// index, or -1 when the memory could not be had.
int CreateWithBounds(Interpreter& interp, VariableTable& table, std::u16string_view name,
                     const std::vector<std::int32_t>& bounds);

// The lookup steps after hash tables: built-in constants and numeric and text
// specials, then the fixed names. False when NAME is none of them.
bool ReadSpecialName(THensuFmt& context, std::u16string_view name, Value* out);
// A built-in constant, a numeric or text special, or one of the fixed words.
bool IsReservedName(const Interpreter& interp, std::u16string_view name);

// Messages, in the message language.
std::u16string Pick(std::u16string english, std::u16string japanese);
std::u16string EvaluationErrorMessage();
std::u16string ExceededMessage(std::u16string_view name);
std::u16string DimensionsMessage(std::u16string_view name);
std::u16string IndexWrongMessage();
std::u16string IndexWrongMessage(std::u16string_view name);
std::u16string OutOfMemoryText();

}  // namespace vars
}  // namespace zelk
