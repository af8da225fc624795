// UTF-8 <-> UTF-16 conversion. Invalid input never fails: bad UTF-8 bytes become
// U+FFFD, unpaired surrogates are written as their three-byte forms.
#pragma once

#include <string>
#include <string_view>

namespace zelk {

std::u16string Utf8ToText(std::string_view utf8);
std::string TextToUtf8(std::u16string_view text);
// True when the bytes are well-formed UTF-8 with at least one multi-byte sequence.
bool IsMultiByteUtf8(std::string_view bytes);

}  // namespace zelk
