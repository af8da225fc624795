#include "base/code_points.h"

#include <cstddef>

namespace zelk {
namespace {

// Index of the code unit where the index-th code point (0-based) begins:
// the index-th unit that is not a low surrogate. text.size() if there is none.
std::size_t CodePointStart(std::u16string_view text, int index) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLowSurrogate(text[i])) continue;
    if (index-- == 0) return i;
  }
  return text.size();
}

}  // namespace

std::size_t CodePointCount(std::u16string_view text) {
  std::size_t count = 0;
  for (char16_t c : text) {
    if (!IsLowSurrogate(c)) ++count;
  }
  return count;
}

std::u16string CopyCodePoints(std::u16string_view text, int start, int count) {
  if (start < 1 || count < 1) return {};
  std::size_t from = CodePointStart(text, start - 1);
  if (from >= text.size()) return {};
  std::size_t to = CodePointStart(text.substr(from), count) + from;
  return std::u16string(text.substr(from, to - from));
}

std::vector<char32_t> TextToUcs4(std::u16string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c)) {
      if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        out.push_back(0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
        ++i;
      }
    } else if (!IsLowSurrogate(c)) {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string Ucs4ToText(const std::vector<char32_t>& codePoints) {
  std::u16string out;
  out.reserve(codePoints.size());
  for (char32_t cp : codePoints) out += CodePointToText(cp);
  return out;
}

std::u16string CodePointToText(char32_t codePoint) {
  if (codePoint < 0x10000) return std::u16string(1, static_cast<char16_t>(codePoint));
  if (codePoint > 0x10FFFF) return {};  // no UTF-16 form
  codePoint -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (codePoint >> 10)),
          static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF))};
}

char32_t FirstCodePoint(std::u16string_view text) {
  if (text.empty()) return 0;
  if (IsHighSurrogate(text[0]) && text.size() > 1 && IsLowSurrogate(text[1])) {
    return 0x10000 + ((char32_t(text[0]) - 0xD800) << 10) + (text[1] - 0xDC00);
  }
  return text[0];
}

}  // namespace zelk
