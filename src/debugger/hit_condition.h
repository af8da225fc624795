// A breakpoint's hit condition, as debuggers write it: "5" or "==5" (the
// fifth hit), ">5", ">=5", "<5", "<=5", "%5" (every fifth hit).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelk {

class HitCondition {
 public:
  // Nothing for a text that is no such condition.
  static std::optional<HitCondition> Parse(std::string_view text);

  // Whether the breakpoint stops at its hits-th hit (counted from 1).
  bool StopsAt(std::int64_t hits) const;

 private:
  enum class Op { kEqual, kGreater, kGreaterEqual, kLess, kLessEqual, kEvery };
  HitCondition(Op op, std::int64_t n) : op_(op), n_(n) {}
  Op op_;
  std::int64_t n_;
};

}  // namespace zelk
