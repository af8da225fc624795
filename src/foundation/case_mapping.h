// Case mapping under the system's locale (LCMapString on Windows), and the
// ignore-case replacement built on it.
#pragma once

#include <string>
#include <string_view>

namespace zelk {

// Character mapping with the system's LCMapString flags (LCMAP_UPPERCASE and
// friends); the text unchanged when the mapping fails.
std::u16string MapString(std::u16string_view text, unsigned flags);

// ReplaceAll ignoring case: letters beyond ASCII fold as the system folds them.
std::u16string ReplaceAllIgnoringCase(std::u16string_view text, std::u16string_view oldText,
                                      std::u16string_view newText);

}  // namespace zelk
