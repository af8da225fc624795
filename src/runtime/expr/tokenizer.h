// The expression tokenizer: cuts one token at a time from the front of an
// expression text. Token texts are views into that text; nothing is copied.
#pragma once

#include <cstdint>
#include <string_view>

namespace zelk {

struct TokenList;

class TUHashedStrList;

enum TokenKind : std::int32_t {
  kTokEnd = -1,    // the text is used up
  kTokOther = 0,   // a top-level "," or a stray character
  kTokString = 1,  // text: the content between the quotes
  kTokParen = 2,   // "(" or ")"
  kTokNumber = 3,
  kTokCall = 4,    // NAME(arguments) as one text
  kTokName = 5,    // variable, element, constant, special name, module member
  kTokMember = 6,  // COM member access
  kTokPlus = 10,
  kTokMinus = 11,
  kTokTimes = 12,
  kTokDivide = 13,
  kTokNot = 14,
  kTokGreater = 20,
  kTokLess = 21,
  kTokEqual = 22,
  kTokGreaterEqual = 23,
  kTokLessEqual = 24,
  kTokNotEqual = 25,
  kTokAnd = 30,
  kTokOr = 31,
  kTokXor = 32,
  kTokMod = 33,
};

// Binary operators by level, lowest first; every level is left-associative.
// 0: not a binary operator.
constexpr int OperatorLevel(std::int32_t kind) {
  switch (kind) {
    case kTokOr:
    case kTokXor:
      return 1;
    case kTokAnd:
      return 2;
    case kTokGreater:
    case kTokLess:
    case kTokEqual:
    case kTokGreaterEqual:
    case kTokLessEqual:
    case kTokNotEqual:
      return 3;
    case kTokPlus:
    case kTokMinus:
      return 4;
    case kTokTimes:
    case kTokDivide:
    case kTokMod:
      return 5;
    default:
      return 0;
  }
}

struct Token {
  std::int32_t kind = kTokEnd;
  std::u16string_view text;
  double number = 0;  // kTokNumber
  // A literal without its closing quote, a text that is no number, or a call
  // whose parentheses do not close.
  bool bad = false;
};

// What tells a dotted name that is a module member (a variable) from a COM
// member access.
struct MemberScope {
  const TUHashedStrList* moduleNames = nullptr;
  std::u16string_view moduleName;  // the running MODULE or CLASS; empty outside
  std::u16string_view withText;    // the WITH subject when it is a text
};

// Cuts the next token from the front of *rest; *rest keeps what follows it,
// trimmed of blanks. Gives kTokEnd when only blanks remain.
Token NextToken(std::u16string_view* rest, const MemberScope& scope);

// Records the tokens of list's expression into it, as the evaluator replays
// them, and marks it complete; false (the list then unusable) when the
// tokenizer refuses the text.
bool RecordTokens(TokenList& list, const MemberScope& scope);

// Trims blanks (every character up to the space) at both ends.
std::u16string_view TrimBlanks(std::u16string_view text);

}  // namespace zelk
