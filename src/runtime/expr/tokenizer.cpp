#include "runtime/expr/tokenizer.h"

#include "base/numbers.h"
#include "foundation/hashed_str_list.h"
#include "runtime/expr/token_cache.h"

namespace zelk {
namespace {

constexpr std::size_t kNone = std::u16string_view::npos;
constexpr char16_t kQuote = u'"';

// A word ends at one of these outside literals and brackets.
constexpr std::u16string_view kWordDelimiters = u"() ,+-*/=<>!";
// A call ends at one of these outside literals, brackets and parentheses.
constexpr std::u16string_view kCallDelimiters = u") ,+-*/=<>!";

bool IsBlank(char16_t c) {
  return c <= u' ';
}
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool IsHex(char16_t c) {
  return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
bool IsExponent(char16_t c) {
  return c == u'E' || c == u'e';
}
bool IsSign(char16_t c) {
  return c == u'+' || c == u'-';
}

// Position of the first delimiter at top level outside literals; brackets
// always count, parentheses only when asked. A depth below zero is top level,
// as for the text scanners.
std::size_t FindDelimiter(std::u16string_view text, std::u16string_view delimiters,
                          bool parenAware) {
  bool literal = false;
  int parens = 0, brackets = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == kQuote) literal = !literal;
    if (literal) continue;
    if (parenAware) {
      if (c == u'(') ++parens;
      if (c == u')') --parens;
    }
    if (c == u'[') ++brackets;
    if (c == u']') --brackets;
    if (parens <= 0 && brackets <= 0 && delimiters.find(c) != kNone) return i;
  }
  return kNone;
}

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view upper) {
  if (a.size() != upper.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t c = a[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != upper[i]) return false;
  }
  return true;
}

std::int32_t KeywordKind(std::u16string_view word) {
  if (word.size() < 2 || word.size() > 3) return kTokEnd;
  if (EqualsAsciiNoCase(word, u"AND")) return kTokAnd;
  if (EqualsAsciiNoCase(word, u"OR")) return kTokOr;
  if (EqualsAsciiNoCase(word, u"XOR")) return kTokXor;
  if (EqualsAsciiNoCase(word, u"MOD")) return kTokMod;
  return kTokEnd;
}

bool HasModule(const MemberScope& scope, std::u16string_view name) {
  return scope.moduleNames && !name.empty() && scope.moduleNames->IndexOf(name) >= 0;
}

// Kind 5 for a plain name or a module member, 6 for a COM member access.
std::int32_t NameKind(std::u16string_view word, const MemberScope& scope) {
  bool literal = false;
  int brackets = 0, dots = 0;
  std::size_t dot = kNone;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char16_t c = word[i];
    if (c == kQuote) literal = !literal;
    if (literal) continue;
    if (c == u'[' || c == u'(') ++brackets;
    if (c == u']' || c == u')') --brackets;
    if (c == u'.' && brackets <= 0) {
      if (++dots > 1) return kTokMember;
      dot = i;
    }
  }
  if (dots == 0) return kTokName;
  if (dot == 0) return HasModule(scope, scope.withText) ? kTokName : kTokMember;
  if (!scope.moduleName.empty() && (word.starts_with(u"THIS.") || word.starts_with(u"GLOBAL."))) {
    return kTokName;
  }
  return HasModule(scope, word.substr(0, dot)) ? kTokName : kTokMember;
}

// Whether the character at i continues the number that ends at i - 1.
bool ContinuesNumber(std::u16string_view text, std::size_t i) {
  char16_t prev = text[i - 1], c = text[i];
  char16_t before = i >= 2 ? text[i - 2] : u'\0';
  if ((IsHex(prev) || prev == u'$') && IsHex(c)) return true;
  if (prev == u'.' && IsDigit(c)) return true;
  if (IsDigit(prev) && c == u'.') return true;
  if (IsExponent(prev) && IsSign(c) && IsDigit(before)) return true;
  if (IsSign(prev) && IsExponent(before) && IsDigit(c)) return true;
  return false;
}

Token CutLiteral(std::u16string_view& rest) {
  Token t;
  t.kind = kTokString;
  std::size_t close = rest.find(kQuote, 1);
  if (close == kNone) {
    t.text = rest.substr(1);
    t.bad = true;
    rest = {};
    return t;
  }
  // Quotes right after the closing one belong to the literal; as the closing
  // quote itself is one of them, the content stays one piece of the text.
  std::size_t end = close + 1;
  while (end < rest.size() && rest[end] == kQuote) ++end;
  t.text = rest.substr(1, end - 2);
  rest.remove_prefix(end);
  return t;
}

Token CutNumber(std::u16string_view& rest) {
  Token t;
  t.kind = kTokNumber;
  std::size_t end = 1;
  while (end < rest.size() && ContinuesNumber(rest, end)) ++end;
  t.text = rest.substr(0, end);
  rest.remove_prefix(end);
  if (IsNumberText(t.text, true, true)) {
    t.number = TextToNumber(t.text);
  } else {
    t.bad = true;
  }
  return t;
}

Token CutOperator(std::u16string_view& rest) {
  Token t;
  char16_t c = rest[0];
  char16_t next = rest.size() > 1 ? rest[1] : u'\0';
  std::size_t length = 1;
  switch (c) {
    case u'+':
      t.kind = kTokPlus;
      break;
    case u'-':
      t.kind = kTokMinus;
      break;
    case u'*':
      t.kind = kTokTimes;
      break;
    case u'/':
      t.kind = kTokDivide;
      break;
    case u'!':
      t.kind = kTokNot;
      break;
    case u'=':
      t.kind = kTokEqual;
      break;
    case u'>':
      t.kind = next == u'=' ? kTokGreaterEqual : kTokGreater;
      if (next == u'=') length = 2;
      break;
    case u'<':
      if (next == u'=') {
        t.kind = kTokLessEqual;
        length = 2;
      } else if (next == u'>') {
        t.kind = kTokNotEqual;
        length = 2;
      } else {
        t.kind = kTokLess;
      }
      break;
    default:
      t.kind = kTokOther;
      break;
  }
  t.text = rest.substr(0, length);
  rest.remove_prefix(length);
  return t;
}

Token CutWord(std::u16string_view& rest, const MemberScope& scope) {
  std::size_t end = FindDelimiter(rest, kWordDelimiters, false);
  if (end == 0) return CutOperator(rest);
  std::u16string_view word = rest.substr(0, end);  // the whole rest when end is kNone
  Token t;
  t.kind = KeywordKind(word);
  if (t.kind != kTokEnd) {
    t.text = word;
    rest.remove_prefix(word.size());
    return t;
  }
  if (end != kNone && rest[end] == u'(') {
    t.kind = kTokCall;
    std::size_t close = FindDelimiter(rest, kCallDelimiters, true);
    if (close == kNone || rest[close] != u')') {
      t.text = rest;
      t.bad = true;
      rest = {};
    } else {
      t.text = rest.substr(0, close + 1);
      rest.remove_prefix(close + 1);
    }
    return t;
  }
  t.kind = NameKind(word, scope);
  t.text = word;
  rest.remove_prefix(word.size());
  return t;
}

}  // namespace

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

Token NextToken(std::u16string_view* rest, const MemberScope& scope) {
  std::u16string_view& r = *rest;
  r = TrimBlanks(r);
  Token t;
  if (r.empty()) return t;
  char16_t c = r[0];
  if (c == kQuote) {
    t = CutLiteral(r);
  } else if (c == u'(' || c == u')') {
    t.kind = kTokParen;
    t.text = r.substr(0, 1);
    r.remove_prefix(1);
  } else if (IsDigit(c) || c == u'$') {
    t = CutNumber(r);
  } else {
    t = CutWord(r, scope);
  }
  r = TrimBlanks(r);
  return t;
}

bool RecordTokens(TokenList& list, const MemberScope& scope) {
  std::u16string_view rest = list.expression;
  for (;;) {
    Token t = NextToken(&rest, scope);
    if (t.bad) return false;
    if (t.kind == kTokEnd) break;
    CachedToken cached;
    list.SetText(cached, t.text);
    cached.kind = t.kind;
    if (t.kind == kTokNumber) cached.value = Value::Double(t.number);
    if (t.kind == kTokString) cached.value = Value::String(std::u16string(t.text));
    list.tokens.push_back(std::move(cached));
  }
  list.tokens.shrink_to_fit();
  list.complete = true;
  return true;
}

}  // namespace zelk
