// The built-in constants (CLK_BTN, F_READ, VK_RETURN, ...) and the special
// names that read a live value (G_SCREEN_W, G_MOUSE_X, GET_CUR_DIR, the
// window markers). Script text reaches here upper-cased; lookups still ignore
// ASCII case, since built-ins also look up names taken from string arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "runtime/core/value.h"

namespace zelk {

class Interpreter;

// Name -> value, filled once and read-only afterwards, so any thread may read
// it without a lock. Each entry also keeps its value as a double, the form in
// which scripts receive constants, so that a read converts nothing.
class BuiltinConstantTable {
 public:
  struct Entry {
    Value value;
    double number = 0;
  };

  // name in upper case; a repeated name keeps its first value.
  void Add(std::u16string_view name, Value value);
  void Add(std::u16string_view name, std::int32_t value) { Add(name, Value::Int(value)); }

  // Null when NAME is no constant. Never allocates.
  const Entry* Find(std::u16string_view name) const;
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::deque<std::u16string> names_;  // owns the keys the map views
  std::unordered_map<std::u16string_view, Entry> entries_;
  std::size_t longest_ = 0;
};

// Adds every built-in constant to TABLE.
void RegisterConstants(BuiltinConstantTable& table);

// The table of this process, built on first use.
const BuiltinConstantTable& BuiltinConstants();

bool IsBuiltinConstant(std::u16string_view name);

// The answer of NumericSpecial for a name that is none.
inline constexpr double kNoNumericSpecial = -888888;

// A constant as a double, or the live G_SCREEN_W/H (virtual desktop), G_SCREEN_C
// (colour depth) or G_MOUSE_X/Y (cursor); otherwise kNoNumericSpecial.
double NumericSpecial(std::u16string_view name);

// The GET_ folders and window markers and EMPTYPARAM; "" for any other name.
// GET_ZELK_NAME reads the main script's file name from INTERP ("" without one).
std::u16string TextSpecial(std::u16string_view name, const Interpreter* interp);

// A constant, a numeric special or a text special.
bool IsSpecialName(std::u16string_view name);

}  // namespace zelk
