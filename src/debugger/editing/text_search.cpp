#include "debugger/editing/text_search.h"

#include <algorithm>

#include "base/text_scan.h"
#include "foundation/case_mapping.h"

namespace zelk {
namespace {

constexpr unsigned kMapUpperCase = 0x200;  // LCMAP_UPPERCASE

// Upper-cased with one code unit for one, so positions stay positions.
std::u16string Fold(std::u16string_view text) {
  std::u16string folded = MapString(text, kMapUpperCase);
  return folded.size() == text.size() ? folded : UpperAscii(text);
}

bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsNameChar(char16_t c) {
  return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$' || c == u'@' ||
         c >= 0x80;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\u3000';
}

}  // namespace

std::optional<TextPos> FindInLines(const std::vector<std::u16string>& lines, TextPos caret,
                                   std::u16string_view text, bool downward) {
  if (text.empty() || lines.empty()) return std::nullopt;
  const std::u16string needle = Fold(text);
  const int count = static_cast<int>(lines.size());
  caret.line = std::clamp(caret.line, 0, count - 1);
  if (downward) {
    for (int line = caret.line; line < count; ++line) {
      const std::u16string hay = Fold(lines[static_cast<std::size_t>(line)]);
      const std::size_t from = line == caret.line ? static_cast<std::size_t>(caret.column) + 1 : 0;
      if (from > hay.size()) continue;
      const std::size_t at = hay.find(needle, from);
      if (at != std::u16string::npos) return TextPos{line, static_cast<int>(at)};
    }
  } else {
    for (int line = caret.line; line >= 0; --line) {
      std::u16string hay = Fold(lines[static_cast<std::size_t>(line)]);
      if (line == caret.line) hay.resize(std::min(hay.size(), std::size_t(caret.column)));
      const std::size_t at = hay.rfind(needle);
      if (at != std::u16string::npos) return TextPos{line, static_cast<int>(at)};
    }
  }
  return std::nullopt;
}

std::u16string HelpWordAt(std::u16string_view line, int column) {
  if (column < 0 || column >= static_cast<int>(line.size())) return {};
  auto at = static_cast<std::size_t>(column);
  if (!IsAsciiLetter(line[at])) return {};
  std::size_t start = at;
  while (start > 0 && IsAsciiLetter(line[start - 1])) --start;
  std::size_t end = at;
  while (end < line.size() && IsAsciiLetter(line[end])) ++end;
  return UpperAscii(line.substr(start, end - start));
}

void WordBounds(std::u16string_view line, int column, int* start, int* end) {
  const int length = static_cast<int>(line.size());
  column = std::clamp(column, 0, length);
  // Past the end of a name, the click still means the name before it.
  if (column == length && column > 0) --column;
  *start = *end = column;
  if (column >= length) return;
  const char16_t c = line[static_cast<std::size_t>(column)];
  auto same = [&](char16_t other) {
    if (IsNameChar(c)) return IsNameChar(other);
    if (IsBlank(c)) return IsBlank(other);
    return false;
  };
  while (*start > 0 && same(line[static_cast<std::size_t>(*start - 1)])) --*start;
  ++*end;
  while (*end < length && same(line[static_cast<std::size_t>(*end)])) ++*end;
}

}  // namespace zelk
