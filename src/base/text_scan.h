// The scanning primitives every statement of a script passes through: cut a
// token, find, replace and upper-case, each able to skip what stands inside a
// double-quoted literal and inside ( ) or [ ] brackets.
//
// Positions are 1-based code-unit positions; 0 means not found. The only quote
// is the ASCII double quote and it has no escape. Brackets count only outside
// literals, and a depth of zero or less is top level.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelk {

// How CutToken reads the text.
struct CutOptions {
  bool skipEmpty = false;  // empty tokens are passed over
  bool parens = false;     // delimiters inside ( ) do not count
  bool brackets = false;   // nor inside [ ]
  bool quotes = false;     // nor inside a literal
};
// Delimiters count only at top level: outside brackets of both kinds and literals.
inline constexpr CutOptions kCutTopLevel{.parens = true, .brackets = true, .quotes = true};

// Cuts the first token from text up to a character of delimiters; text loses
// the token and the delimiter. Without a delimiter the token is the whole text
// and text becomes empty.
std::u16string CutToken(std::u16string& text, std::u16string_view delimiters, CutOptions options);
// As CutToken; *found is the delimiter that ended the token (only reported
// without skipEmpty), or 0 when the text ran out.
std::u16string CutTokenAt(std::u16string& text, std::u16string_view delimiters, CutOptions options,
                          char16_t* found);

// Position of the n-th top-level occurrence of sub outside literals.
int PosOutside(std::u16string_view sub, std::u16string_view text, bool parenAware,
               bool bracketAware, int n = 1);
int LastPos(std::u16string_view sub, std::u16string_view text);
int LastPosOutside(std::u16string_view sub, std::u16string_view text);

// Case-sensitive; foundation/case_mapping.h has the ignore-case form.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view oldText,
                          std::u16string_view newText);
// Replaces in text wherever needle stands in hay, a copy of text of the same
// length (for instance case-folded).
std::u16string ReplaceMatches(std::u16string_view text, std::u16string_view hay,
                              std::u16string_view needle, std::u16string_view newText);
std::u16string ReplaceOutside(std::u16string_view text, std::u16string_view oldText,
                              std::u16string_view newText);
// Replaces every key outside literals in one left-to-right pass, longest key
// first at equal positions; replacements are never rescanned.
std::u16string ReplaceKeys(std::u16string_view text, const std::vector<std::u16string>& keys,
                           const std::vector<std::u16string>& replacements);
// Upper-cases ASCII letters outside literals; with keepMemberCase the name
// after a '.' keeps its case.
std::u16string UpperOutside(std::u16string_view text, bool keepMemberCase);
std::u16string Unquote(std::u16string_view text);
int IndexOfText(const std::vector<std::u16string>& list, std::u16string_view text);

// Calls visit(position) for each target character that stands outside
// literals at bracket depth zero or less, ( ) and [ ] counted alike; stops
// when visit returns false. Positions are 0-based.
template <class Visit>
void ForEachTopLevel(std::u16string_view text, char16_t target, Visit visit) {
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == u'(' || c == u'[') {
      ++depth;
    } else if (c == u')' || c == u']') {
      --depth;
    } else if (c == target && depth <= 0 && !visit(i)) {
      return;
    }
  }
}

// How often target stands at top level (as above); *first gets the first
// 0-based position, or npos.
inline int CountTopLevel(std::u16string_view text, char16_t target, std::size_t* first = nullptr) {
  int count = 0;
  if (first) *first = std::u16string_view::npos;
  ForEachTopLevel(text, target, [&](std::size_t i) {
    if (count++ == 0 && first) *first = i;
    return true;
  });
  return count;
}

// Small helpers shared by the scanners' callers.
std::u16string UpperAscii(std::u16string_view text);
bool IsBlankChar(char16_t c);  // blank, TAB, CR, LF and the other ASCII controls
std::u16string Trim(std::u16string_view text);
// The same without a copy: a view into text.
std::u16string_view TrimView(std::u16string_view text);
bool StartsWith(std::u16string_view text, std::u16string_view prefix);
bool EndsWith(std::u16string_view text, std::u16string_view suffix);

}  // namespace zelk
