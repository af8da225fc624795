// What the dispatcher and the pre-run check know of each built-in: its
// argument limits and which positions take text or source text. Bit i of a
// mask stands for argument position i (0-based).
#pragma once

#include <cstdint>
#include <string_view>

namespace zelk {

// Numbers the dispatcher treats specially.
enum BuiltinNumber : int {
  kBuiltinSleep = 16,
  kBuiltinSckey = 25,
  kBuiltinFopen = 39,
  kBuiltinStopform = 45,
  kBuiltinToken = 68,
  kBuiltinDeleteFile = 78,
  kBuiltinXlclose = 108,
  kBuiltinVartype = 109,
  kBuiltinQsort = 128,
};

struct BuiltinShape {
  int minimum = 0;
  int maximum = 36;
  std::uint64_t text = 0;       // may be a non-number text
  std::uint64_t emptyOnly = 0;  // may be text only when empty
  std::uint64_t raw = 0;        // passed as source text, unevaluated
};

// number must be 0..kBuiltinCount-1.
const BuiltinShape& ShapeOf(int number);

// "2,3e,4+e" and the like: the mask of the 1-based positions listed ("4+"
// the fourth and later, "-" none); positions marked "e" go to *emptyOnly
// (may be null). False for a malformed column.
bool ParsePositionColumn(std::string_view column, std::uint64_t* mask, std::uint64_t* emptyOnly);

inline bool HasPosition(std::uint64_t mask, int position) {
  return position >= 0 && position < 64 && ((mask >> position) & 1) != 0;
}

// Cuts the next argument from *rest at the first comma outside double
// quotes, ( ) and [ ] (as CutToken does, empty tokens kept) and trims it.
std::u16string_view CutArgument(std::u16string_view* rest);
// Blank-trimmed, as Trim does.
std::u16string_view TrimArgument(std::u16string_view text);

}  // namespace zelk
