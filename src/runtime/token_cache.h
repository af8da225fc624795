// Tokens of a statement's first expression, recorded once and replayed on every
// later evaluation of the statement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/value.h"

namespace zelk {

struct CachedToken {
  std::u16string text;  // a string literal's content without its quotes
  std::int32_t kind = 0;
  // Precomputed so that replaying converts and allocates nothing: the Double
  // of a number, the string of a literal; Empty for other kinds.
  Value value;
};

// Copyable: a script thread's record starts with copies of its starter's lists.
struct TokenList {
  std::u16string expression;  // the text the tokens were recorded for
  std::vector<CachedToken> tokens;
  // Set when the whole text was tokenized without error. A list still being
  // recorded (a recursive call reaching the same statement) is never replayed.
  bool complete = false;
};

}  // namespace zelk
