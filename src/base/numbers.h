// Number texts: '.' is the decimal separator, there is no thousands separator.
#pragma once

#include <string>
#include <string_view>

namespace zelk {

// The conversion's mark for a text that is no number.
constexpr double kNotANumber = -2100000000.0;

// "$FF" reads as hexadecimal; anything unparsable gives kNotANumber.
double TextToNumber(std::u16string_view text);
// Trims first; 0 for an empty text.
double TrimToNumber(std::u16string_view text);
// strictExponent: an exponent needs its sign ("1E+5" yes, "1E5" no).
bool IsNumberText(std::u16string_view text, bool noTrim, bool strictExponent);
// 2.302 gives "2.3.0.2".
std::u16string VersionText(double number);

}  // namespace zelk
