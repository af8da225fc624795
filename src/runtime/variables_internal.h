// Pieces shared by the variable lookup, the declarations and the special
// names: parsed names with evaluated indices, index arithmetic without
// messages, and the message texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/context.h"
#include "runtime/value.h"

namespace zelk {

class Interpreter;

namespace vars {

inline constexpr int kMaxIndexes = 16;
// FlatPosition outcomes besides an element number.
inline constexpr std::int64_t kExceeded = -999999;
inline constexpr std::int64_t kNested = -1;  // more indices than dimensions, or overflow
// The answer of a special-name lookup for a name that is none.
inline constexpr double kNoSpecial = -888888;
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

// The index rules of IndexesToIntegers for one evaluated index or one text;
// on failure *failure names the offending text.
bool IndexToInteger(const Value& index, std::int32_t* out, std::u16string* failure);
bool IndexTextToInteger(std::u16string_view text, std::int32_t* out, std::u16string* failure);

// Row-major element number over the first n dimensions; kExceeded for an
// index outside its bound, kNested for more indices than dimensions or an
// overflow. Never reports.
std::int64_t FlatPosition(const std::vector<std::int32_t>& bounds, const std::int32_t* ints, int n);

// Element count of an array with these bounds, or -1 when a bound is below -1
// or the count exceeds kMaxElements.
std::int64_t ElementCount(const std::vector<std::int32_t>& bounds);

bool IsParamStr(std::u16string_view name);
bool IsGlobalTable(const THensuFmt& context, const VariableTable& table);

// Creates NAME with the given bounds (none: a scalar) or re-dimensions it,
// keeping flat positions; a new global variable gets its private flag entry.
// The caller holds VariableLock for the global table. Returns the variable's
// index, or -1 when the memory could not be had.
int CreateWithBounds(Interpreter& interp, VariableTable& table, std::u16string_view name,
                     const std::vector<std::int32_t>& bounds);

// The slot of NAME when it is a scalar of the context's own table that this
// thread may touch without the lock; null otherwise.
Value* OwnScalarSlot(THensuFmt& context, std::u16string_view name);

// SetValue with an answer: true when the value was stored.
bool StoreValue(THensuFmt& context, std::u16string_view target, const Value& value,
                bool elementMode, bool noCreate);

// The lookup steps after hash tables: built-in constants and numeric and text
// specials, then the fixed names. False when NAME is none of them.
bool ReadSpecialName(THensuFmt& context, std::u16string_view name, Value* out);
// A built-in constant, a numeric or text special, or one of the fixed words.
bool IsReservedName(std::u16string_view name);

// Split at top-level commas (outside quotes, brackets and parentheses).
int CountTopLevelCommas(std::u16string_view text);

// Messages, in the message language.
std::u16string Pick(std::u16string english, std::u16string japanese);
std::u16string EvaluationErrorMessage();
std::u16string ExceededMessage(std::u16string_view name);
std::u16string InitializersExceededMessage();
std::u16string DimensionsMessage(std::u16string_view name);
std::u16string NotDefinedMessage(std::u16string_view name);
std::u16string IndexWrongMessage();
std::u16string IndexWrongMessage(std::u16string_view name);
std::u16string IndexConversionText(std::u16string_view text);
std::u16string OutOfMemoryText();

}  // namespace vars
}  // namespace zelk
