#include "base/utf.h"

#include <cstdint>

namespace zelk {
namespace {

// Length of the well-formed sequence at bytes[i], 0 when malformed.
std::size_t SequenceLength(std::string_view bytes, std::size_t i, char32_t* cp) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    *cp = c;
    return 1;
  }
  std::size_t n;
  char32_t v;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    v = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    v = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    v = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > bytes.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms and values outside Unicode are malformed; surrogates are
  // accepted so that text written by TextToUtf8 reads back unchanged.
  if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF))) return 0;
  *cp = v;
  return n;
}

}  // namespace

std::u16string Utf8ToText(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp;
    std::size_t n = SequenceLength(utf8, i, &cp);
    if (n == 0) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string TextToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool IsMultiByteUtf8(std::string_view bytes) {
  bool multi = false;
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t cp;
    std::size_t n = SequenceLength(bytes, i, &cp);
    if (n == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (n > 1) multi = true;
    i += n;
  }
  return multi;
}

}  // namespace zelk
