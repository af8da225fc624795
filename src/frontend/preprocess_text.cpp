// The text-level pieces of preprocessing: the one-line IF, the rewriting of
// member access on call results, and the small scanners the registrar shares.
#include <string>
#include <utility>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "frontend/preprocess.h"

namespace zelk {
namespace {

std::u16string Marker(std::u16string_view message) {
  std::u16string marker(kErrorMarker);
  marker += message;
  return marker;
}

bool Contains(std::u16string_view sub, std::u16string_view text) {
  return PosOutside(sub, text, false, false) > 0;
}

// Position of " WORD " or, failing that, of ")WORD " outside literals: the
// position of the blank or the parenthesis (1-based), 0 if neither.
int WordPos(std::u16string_view blankForm, std::u16string_view parenForm,
            std::u16string_view text) {
  int p = PosOutside(blankForm, text, false, false);
  return p > 0 ? p : PosOutside(parenForm, text, false, false);
}

}  // namespace

std::vector<std::u16string> ExpandOneLineIf(std::u16string_view line) {
  // The text after the keyword keeps its leading blank, so that "IF IF x"
  // is seen as a nested IF.
  std::u16string_view text = line.starts_with(u"IF ") ? line.substr(2) : line;
  std::u16string condition;
  std::u16string thenPart;
  std::u16string elsePart;

  int semicolon = PosOutside(u";", text, false, false);
  if (Contains(u" IF ", text) || Contains(u" IFB ", text) || Contains(u" ELSEIF ", text)) {
    condition = Marker(u"SyntaxError-85");
  } else if (semicolon > 0 && static_cast<std::size_t>(semicolon) < text.size()) {
    condition = Marker(Msg(u"The multi-declaration of the IF line is NG", u"IF行のマルチ宣言はNG"));
  } else {
    if (semicolon > 0) text.remove_suffix(1);
    int p = WordPos(u" THEN ", u")THEN ", text);
    if (p > 0) {
      // A closing parenthesis before THEN stays in the condition.
      condition = Trim(text.substr(0, static_cast<std::size_t>(p)));
      std::u16string rest(text.substr(static_cast<std::size_t>(p) + 5));
      if (rest.starts_with(u"ELSE ")) rest.insert(0, 1, u' ');
      int q = WordPos(u" ELSE ", u")ELSE ", rest);
      if (q > 0) {
        thenPart = Trim(std::u16string_view(rest).substr(0, static_cast<std::size_t>(q)));
        elsePart = Trim(std::u16string_view(rest).substr(static_cast<std::size_t>(q) + 5));
      } else {
        thenPart = Trim(rest);
      }
    } else if (WordPos(u" ELSE ", u")ELSE ", text) > 0) {
      condition = Marker(u"THEN: SyntaxError");
    } else {
      condition = Trim(text);
    }
  }

  std::vector<std::u16string> rows;
  rows.push_back(IsErrorRow(condition) ? condition : u"IFB " + condition);
  // No THEN part: a block IF that continues up to its ENDIF.
  if (thenPart.empty() && elsePart.empty()) return rows;
  rows.push_back(thenPart.empty() ? std::u16string(kNopRow) : std::move(thenPart));
  rows.push_back(u"ELSE");
  rows.push_back(elsePart.empty() ? std::u16string(kNopRow) : std::move(elsePart));
  rows.push_back(u"ENDIF");
  return rows;
}

bool RewriteCallMembers(std::u16string& row) {
  if (row.find(u").") == std::u16string::npos) return true;
  // One forward pass pairs every parenthesis (the same pairs a backward search
  // from each ')' finds, and rewriting one pair never changes another's), so
  // a long line costs no more than one scan.
  std::vector<std::size_t> open;
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  int opens = 0;
  int closes = 0;
  bool found = false;
  bool unmatched = false;
  bool literal = false;
  for (std::size_t k = 0; k < row.size(); ++k) {
    char16_t c = row[k];
    if (c == u'"') {
      literal = !literal;
    } else if (literal) {
      continue;
    } else if (c == u'(') {
      ++opens;
      open.push_back(k);
    } else if (c == u')') {
      ++closes;
      bool member = k + 1 < row.size() && row[k + 1] == u'.';
      if (member) found = true;
      if (open.empty()) {
        if (member) unmatched = true;
      } else {
        if (member) pairs.emplace_back(open.back(), k);
        open.pop_back();
      }
    }
  }
  if (!found) return true;
  if (opens != closes || unmatched) return false;
  for (const auto& [from, to] : pairs) {
    row[from] = u'[';
    row[to] = u']';
  }
  return true;
}

int MatchingOpenParen(std::u16string_view text, int position) {
  if (position < 1 || static_cast<std::size_t>(position) > text.size()) return -1;
  if (text[static_cast<std::size_t>(position) - 1] != u')') return -1;
  int depth = 0;
  bool literal = false;
  for (int k = position; k >= 1; --k) {
    char16_t c = text[static_cast<std::size_t>(k) - 1];
    if (c == u'"') {
      literal = !literal;
    } else if (!literal) {
      if (c == u')') ++depth;
      if (c == u'(' && --depth == 0) return k;
    }
  }
  return -1;
}

std::u16string NoCorrespondingMessage(std::u16string_view keyword) {
  std::u16string word(keyword);
  if (JapaneseMessages()) return Marker(u"対応する " + word + u" が無い");
  return Marker(u"No corresponding " + word);
}

bool UsesResult(std::u16string_view text) {
  // Pieces between the delimiters, cut as CutToken cuts them: the literal and
  // bracket state starts afresh after every delimiter.
  constexpr std::u16string_view kDelimiters = u" ,+-*/=<>()!?";
  std::size_t start = 0;
  bool literal = false;
  int brackets = 0;
  for (std::size_t k = 0; k <= text.size(); ++k) {
    if (k < text.size()) {
      char16_t c = text[k];
      if (c == u'"') literal = !literal;
      if (literal) continue;
      if (c == u'[') ++brackets;
      if (c == u']') --brackets;
      if (brackets > 0 || kDelimiters.find(c) == std::u16string_view::npos) continue;
    }
    if (text.substr(start, k - start) == u"RESULT") return true;
    start = k + 1;
    brackets = 0;
  }
  return false;
}

bool HasNameBreak(std::u16string_view text, int mode) {
  const bool bracketAware = mode == 1;
  const std::u16string_view delimiters = bracketAware ? u",+*=<>()!?" : u" ,+*/=<>()![]?";
  bool literal = false;
  int brackets = 0;
  for (char16_t c : text) {
    if (c == u'"') literal = !literal;
    if (literal) continue;
    if (bracketAware) {
      if (c == u'[') ++brackets;
      if (c == u']') --brackets;
      if (brackets > 0) continue;
    }
    if (delimiters.find(c) != std::u16string_view::npos) return true;
  }
  return false;
}

}  // namespace zelk
