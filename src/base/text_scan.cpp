#include "base/text_scan.h"

#include <algorithm>
#include <cstddef>

namespace zelk {
namespace {

constexpr char16_t kQuote = u'"';

// Literal and bracket state of a left-to-right scan. Brackets count only
// outside literals; a depth of zero or less is top level.
struct ScanState {
  bool inLiteral = false;
  int parens = 0;
  int brackets = 0;

  // Takes in c; false while c stands inside a literal.
  bool Step(char16_t c, const CutOptions& aware) {
    if (aware.quotes && c == kQuote) inLiteral = !inLiteral;
    if (inLiteral) return false;
    if (aware.parens) {
      if (c == u'(') ++parens;
      if (c == u')') --parens;
    }
    if (aware.brackets) {
      if (c == u'[') ++brackets;
      if (c == u']') --brackets;
    }
    return true;
  }
  bool TopLevel() const { return parens <= 0 && brackets <= 0; }
};

bool IsAsciiLower(char16_t c) {
  return c >= u'a' && c <= u'z';
}
bool IsAsciiLetter(char16_t c) {
  return IsAsciiLower(c) || (c >= u'A' && c <= u'Z');
}
char16_t AsciiUpper(char16_t c) {
  return IsAsciiLower(c) ? static_cast<char16_t>(c - 32) : c;
}

bool IsMemberNameChar(char16_t c) {
  return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'$' || c == u'_' || c == u'@';
}

// 1-based position of the first occurrence at or after index from; 0 if none.
// An empty sub is never found.
int FindFrom(std::u16string_view text, std::u16string_view sub, std::size_t from) {
  if (sub.empty()) return 0;
  std::size_t p = text.find(sub, from);
  return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

// Calls hit(position) for each top-level occurrence of sub outside literals
// until it returns false. The depths change before the test, so a sub that
// opens a bracket never counts at the bracket it opens.
template <typename OnHit>
void ScanOutside(std::u16string_view sub, std::u16string_view text, bool parenAware,
                 bool bracketAware, OnHit hit) {
  ScanState state;
  const CutOptions aware{.parens = parenAware, .brackets = bracketAware, .quotes = true};
  const char16_t first = sub[0];
  const std::size_t last = text.size() - sub.size();  // caller ensures sub fits
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!state.Step(text[i], aware)) continue;
    if (i > last || text[i] != first || !state.TopLevel()) continue;
    if (text.compare(i, sub.size(), sub) != 0) continue;
    if (!hit(static_cast<int>(i) + 1)) return;
  }
}

std::u16string CutTokenImpl(std::u16string& text, std::u16string_view delimiters,
                            CutOptions options, char16_t* found) {
  const bool skipEmpty = options.skipEmpty;
  if (found) *found = 0;
  ScanState state;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (!state.Step(c, options)) continue;
    if (!state.TopLevel() || delimiters.find(c) == std::u16string_view::npos) continue;
    if (i > 0 || !skipEmpty) {
      std::u16string token = text.substr(0, i);
      text.erase(0, i + 1);
      if (found && !skipEmpty) *found = c;
      return token;
    }
    // An empty token with skipEmpty: drop the delimiter and scan the rest
    // afresh, exactly as a new call would.
    text.erase(0, 1);
    state = ScanState();
    i = static_cast<std::size_t>(-1);
  }
  std::u16string token;
  token.swap(text);
  return token;
}

}  // namespace

std::u16string CutToken(std::u16string& text, std::u16string_view delimiters, CutOptions options) {
  return CutTokenImpl(text, delimiters, options, nullptr);
}

std::u16string CutTokenAt(std::u16string& text, std::u16string_view delimiters, CutOptions options,
                          char16_t* found) {
  return CutTokenImpl(text, delimiters, options, found);
}

int PosOutside(std::u16string_view sub, std::u16string_view text, bool parenAware,
               bool bracketAware, int n) {
  int plain = FindFrom(text, sub, 0);
  if (plain == 0) return 0;
  if (n < 1) n = 1;
  // Most statements hold no literal or bracket: the plain search is the answer.
  if (n == 1 && text.find(kQuote) == std::u16string_view::npos &&
      !(parenAware && text.find(u'(') != std::u16string_view::npos) &&
      !(bracketAware && text.find(u'[') != std::u16string_view::npos)) {
    return plain;
  }
  int result = 0;
  ScanOutside(sub, text, parenAware, bracketAware, [&](int pos) {
    if (--n > 0) return true;
    result = pos;
    return false;
  });
  return result;
}

int LastPos(std::u16string_view sub, std::u16string_view text) {
  if (sub.empty()) return 0;
  std::size_t p = text.rfind(sub);
  return p == std::u16string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int LastPosOutside(std::u16string_view sub, std::u16string_view text) {
  if (FindFrom(text, sub, 0) == 0) return 0;
  int result = 0;
  ScanOutside(sub, text, false, false, [&](int pos) {
    result = pos;
    return true;
  });
  return result;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view oldText,
                          std::u16string_view newText) {
  return ReplaceMatches(text, text, oldText, newText);
}

std::u16string ReplaceMatches(std::u16string_view text, std::u16string_view hay,
                              std::u16string_view needle, std::u16string_view newText) {
  if (text.empty() || needle.empty()) return std::u16string(text);
  std::u16string out;
  std::size_t from = 0;
  for (;;) {
    std::size_t p = hay.find(needle, from);
    if (p == std::u16string_view::npos) break;
    out.append(text.substr(from, p - from));
    out.append(newText);
    from = p + needle.size();
  }
  if (from == 0) return std::u16string(text);
  out.append(text.substr(from));
  return out;
}

std::u16string ReplaceOutside(std::u16string_view text, std::u16string_view oldText,
                              std::u16string_view newText) {
  std::u16string out;
  std::u16string_view rest = text;
  for (;;) {
    int p = PosOutside(oldText, rest, false, false);
    if (p == 0) break;
    out.append(rest.substr(0, p - 1));
    out.append(newText);
    rest.remove_prefix(p - 1 + oldText.size());
  }
  out.append(rest);
  return out;
}

std::u16string ReplaceKeys(std::u16string_view text, const std::vector<std::u16string>& keys,
                           const std::vector<std::u16string>& replacements) {
  std::size_t count = std::min(keys.size(), replacements.size());
  if (count == 0 || keys[0].empty()) return std::u16string(text);
  if (text == keys[0]) return replacements[0];

  std::vector<std::size_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return keys[a].size() > keys[b].size(); });

  // One walk over the text. At each position outside literals the longest key
  // that starts there wins; since no key matched further left, that is the
  // leftmost first occurrence a fresh search per key would find. The walk
  // starts outside literals again behind every replaced key, as a new search would.
  std::u16string out;
  std::size_t start = 0;  // first character not yet copied
  bool inLiteral = false;
  for (std::size_t p = 0; p < text.size();) {
    // A closing quote is itself outside again and may start a key.
    if (text[p] == kQuote) inLiteral = !inLiteral;
    if (!inLiteral) {
      std::size_t hit = count;
      for (std::size_t k = 0; k < count && hit == count; ++k) {
        const std::u16string& key = keys[order[k]];
        if (!key.empty() && text.substr(p).starts_with(key)) hit = k;
      }
      if (hit != count) {
        const std::u16string& key = keys[order[hit]];
        out.append(text.substr(start, p - start));
        out.append(replacements[order[hit]]);
        p += key.size();
        start = p;
        inLiteral = false;
        continue;
      }
    }
    ++p;
  }
  if (start < text.size()) out.append(text.substr(start));
  return out;
}

std::u16string UpperOutside(std::u16string_view text, bool keepMemberCase) {
  if (!keepMemberCase && text.find(kQuote) == std::u16string_view::npos) return UpperAscii(text);
  std::u16string out(text);
  bool inLiteral = false;
  bool inMember = false;
  for (char16_t& c : out) {
    if (inMember) {
      if (IsMemberNameChar(c)) continue;
      inMember = false;
    }
    if (c == kQuote) {
      inLiteral = !inLiteral;
    } else if (!inLiteral) {
      if (keepMemberCase && c == u'.') {
        inMember = true;
      } else {
        c = AsciiUpper(c);
      }
    }
  }
  return out;
}

std::u16string Unquote(std::u16string_view text) {
  if (text.size() >= 2 && text.front() == kQuote && text.back() == kQuote) {
    return std::u16string(text.substr(1, text.size() - 2));
  }
  return std::u16string(text);
}

int IndexOfText(const std::vector<std::u16string>& list, std::u16string_view text) {
  if (text.empty()) return -1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text) return static_cast<int>(i);
  }
  return -1;
}

std::u16string UpperAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = AsciiUpper(c);
  return out;
}

bool IsBlankChar(char16_t c) {
  return c <= u' ';
}

std::u16string_view TrimView(std::u16string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlankChar(text[b])) ++b;
  while (e > b && IsBlankChar(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::u16string Trim(std::u16string_view text) {
  return std::u16string(TrimView(text));
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.starts_with(prefix);
}

bool EndsWith(std::u16string_view text, std::u16string_view suffix) {
  return text.ends_with(suffix);
}

}  // namespace zelk
