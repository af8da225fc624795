// Number texts: '.' is the decimal separator, there is no thousands separator.
#pragma once

#include <string>
#include <string_view>

namespace zelk {

// The conversion's mark for a text that is no number.
constexpr double kNotANumber = -2100000000.0;

// Which blanks may surround a decimal number text.
enum class DecimalBlanks {
  kSpaces,         // number texts of scripts and settings
  kSpacesAndTabs,  // texts converted to numbers as values
};
// A decimal number: sign, digits with at most one '.', at least one digit, an
// optional exponent with its own digits, blanks around it. The grammar is
// checked here so that the conversion never sees "inf", "nan" or hex forms.
// False when the text is none, or longer than 400 characters without the blanks.
bool ParseDecimal(std::u16string_view text, double* value, DecimalBlanks blanks);

// "$FF" reads as hexadecimal; anything unparsable gives kNotANumber.
double TextToNumber(std::u16string_view text);
// Trims first; 0 for an empty text.
double TrimToNumber(std::u16string_view text);
// strictExponent: an exponent needs its sign ("1E+5" yes, "1E5" no).
bool IsNumberText(std::u16string_view text, bool noTrim, bool strictExponent);
// 2.302 gives "2.3.0.2".
std::u16string VersionText(double number);

}  // namespace zelk
