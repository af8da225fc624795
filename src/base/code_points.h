// UTF-16 surrogate handling for the character-counting built-ins.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelk {

inline bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Code units that are not low surrogates: a pair counts once.
std::size_t CodePointCount(std::u16string_view text);
// Code points start .. start+count-1 (1-based); a pair is never split.
std::u16string CopyCodePoints(std::u16string_view text, int start, int count);
// Unpaired surrogates are dropped on the way to UCS-4.
std::vector<char32_t> TextToUcs4(std::u16string_view text);
std::u16string Ucs4ToText(const std::vector<char32_t>& codePoints);
std::u16string CodePointToText(char32_t codePoint);
char32_t FirstCodePoint(std::u16string_view text);  // 0 for an empty text

}  // namespace zelk
