#include "foundation/case_mapping.h"

#include <algorithm>

#include "base/text_scan.h"
#include "platform/platform.h"

namespace zelk {
namespace {

constexpr unsigned kMapUpperCase = 0x200;  // LCMAP_UPPERCASE

bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Upper-cases for ignore-case matching, one code unit for one so that
// positions in the folded copy are positions in the original.
std::u16string FoldForMatch(std::u16string_view text) {
  bool ok = false;
  std::u16string folded = os::MapString(text, kMapUpperCase, &ok);
  if (ok && folded.size() == text.size()) return folded;
  return UpperAscii(text);
}

}  // namespace

std::u16string MapString(std::u16string_view text, unsigned flags) {
  bool ok = false;
  std::u16string mapped = os::MapString(text, flags, &ok);
  return ok ? mapped : std::u16string(text);
}

std::u16string ReplaceAllIgnoringCase(std::u16string_view text, std::u16string_view oldText,
                                      std::u16string_view newText) {
  if (text.empty() || oldText.empty()) return std::u16string(text);
  // Patterns without ASCII letters match exactly, unless the text holds a NUL.
  if (std::none_of(oldText.begin(), oldText.end(), IsAsciiLetter) &&
      text.find(u'\0') == std::u16string_view::npos) {
    return ReplaceAll(text, oldText, newText);
  }
  return ReplaceMatches(text, FoldForMatch(text), FoldForMatch(oldText), newText);
}

}  // namespace zelk
