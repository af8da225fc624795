// Tokens of a statement's first expression, recorded once and replayed on every
// later evaluation of the statement.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/value.h"

namespace zelk {

namespace expr {
struct CompiledExpr;
}

// A token's text is a piece of its list's expression, kept as a position: a
// string per token cost more than the rest of the row's storage.
struct CachedToken {
  std::uint32_t start = 0;  // a string literal's content without its quotes
  std::uint32_t length = 0;
  std::int32_t kind = 0;
  // Precomputed so that replaying converts and allocates nothing: the Double
  // of a number, the string of a literal; Empty for other kinds.
  Value value;
};

// How many expressions of one row are kept (the row's own and its calls' arguments).
inline constexpr int kTokenListsPerRow = 6;

// Copyable: a script thread's record starts with copies of its starter's lists.
struct TokenList {
  TokenList() = default;
  // The copy compiles afresh: the compiled form's slots belong to one thread.
  TokenList(const TokenList& o)
      : tokens(o.tokens),
        complete(o.complete),
        next(o.next ? std::make_unique<TokenList>(*o.next) : nullptr) {
    if (o.owned) {
      SetExpression(*o.owned, true);
    } else {
      expression = o.expression;
    }
  }
  TokenList& operator=(const TokenList& o) {
    if (this != &o) *this = TokenList(o);
    return *this;
  }
  // The owned copy moves as a whole: the view stays valid.
  TokenList(TokenList&&) = default;
  TokenList& operator=(TokenList&&) = default;

  // The text the tokens were recorded for. A statement row's own text (the
  // table does not change during a run) is only viewed; any other text is
  // copied, so that a million executed rows do not keep a second copy each.
  std::u16string_view expression;
  void SetExpression(std::u16string_view text, bool copy) {
    if (copy) {
      owned = std::make_unique<std::u16string>(text);
      expression = *owned;
    } else {
      owned.reset();
      expression = text;
    }
  }
  std::vector<CachedToken> tokens;

  std::u16string_view TextOf(const CachedToken& token) const {
    return expression.substr(token.start, token.length);
  }
  // piece must lie inside expression.
  void SetText(CachedToken& token, std::u16string_view piece) const {
    token.start = static_cast<std::uint32_t>(piece.data() - expression.data());
    token.length = static_cast<std::uint32_t>(piece.size());
  }
  // Set when the whole text was tokenized without error. A list still being
  // recorded (a recursive call reaching the same statement) is never replayed.
  bool complete = false;
  // The next expression of the same row.
  std::unique_ptr<TokenList> next;
  // The resolved form, made at the first replay; null when compileTried and
  // the text evaluator keeps the expression.
  std::shared_ptr<expr::CompiledExpr> compiled;
  bool compileTried = false;

 private:
  std::unique_ptr<std::u16string> owned;  // the copy expression views, if any
};

}  // namespace zelk
