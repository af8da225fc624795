// Lookup in the HTML 4 table of named character references.
#pragma once

#include <string_view>

namespace zelk {

// The code unit NAME (without '&' and ';') stands for, or 0 when it names none.
char16_t HtmlEntityUnit(std::u16string_view name);

}  // namespace zelk
