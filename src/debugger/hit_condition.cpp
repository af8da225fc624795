#include "debugger/hit_condition.h"

#include <charconv>

namespace zelk {

std::optional<HitCondition> HitCondition::Parse(std::string_view text) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  };
  text = trim(text);
  static constexpr struct {
    std::string_view prefix;
    Op op;
  } kOps[] = {{"==", Op::kEqual},  {">=", Op::kGreaterEqual}, {"<=", Op::kLessEqual},
              {">", Op::kGreater}, {"<", Op::kLess},          {"%", Op::kEvery},
              {"=", Op::kEqual}};
  Op op = Op::kEqual;
  for (const auto& k : kOps) {
    if (text.starts_with(k.prefix)) {
      op = k.op;
      text = trim(text.substr(k.prefix.size()));
      break;
    }
  }
  std::int64_t n = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || n < 0) {
    return std::nullopt;
  }
  if (op == Op::kEvery && n == 0) return std::nullopt;
  return HitCondition(op, n);
}

bool HitCondition::StopsAt(std::int64_t hits) const {
  switch (op_) {
    case Op::kEqual:
      return hits == n_;
    case Op::kGreater:
      return hits > n_;
    case Op::kGreaterEqual:
      return hits >= n_;
    case Op::kLess:
      return hits < n_;
    case Op::kLessEqual:
      return hits <= n_;
    case Op::kEvery:
      return hits % n_ == 0;
  }
  return false;
}

}  // namespace zelk
