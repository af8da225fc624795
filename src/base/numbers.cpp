#include "base/numbers.h"

#include <charconv>
#include <cstdint>
#include <string_view>

#include "base/text_scan.h"

namespace zelk {
namespace {

constexpr std::size_t kMaxLength = 64;
// Longer decimal texts are no numbers (the conversion of values allows this much).
constexpr std::size_t kMaxDecimalLength = 400;
constexpr std::size_t kMaxLengthWithoutPoint = 32;

// Too long to be a number: over 64 characters, or over 32 without a '.' among
// the first 32.
bool TooLong(std::u16string_view text) {
  if (text.size() > kMaxLength) return true;
  if (text.size() <= kMaxLengthWithoutPoint) return false;
  std::size_t point = text.find(u'.');
  return point == std::u16string_view::npos || point >= kMaxLengthWithoutPoint;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// "$" and up to 64 bits of hexadecimal digits; the bits are read as signed.
bool ParseHex(std::u16string_view text, double* value) {
  if (text.size() < 2 || text[0] != u'$') return false;
  std::uint64_t v = 0;
  for (char16_t c : text.substr(1)) {
    unsigned digit;
    if (IsDigit(c)) {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      return false;
    }
    if (v >> 60) return false;
    v = (v << 4) | digit;
  }
  *value = static_cast<double>(static_cast<std::int64_t>(v));
  return true;
}

}  // namespace

bool ParseDecimal(std::u16string_view text, double* value, DecimalBlanks blanks) {
  auto blank = [blanks](char16_t c) {
    return c == u' ' || (c == u'\t' && blanks == DecimalBlanks::kSpacesAndTabs);
  };
  std::size_t b = 0, e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  if (e - b > kMaxDecimalLength) return false;
  char buf[kMaxDecimalLength + 1];
  std::size_t n = 0;
  std::size_t i = b;
  if (i < e && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') buf[n++] = '-';
    ++i;
  }
  int mantissaDigits = 0;
  bool point = false;
  for (; i < e; ++i) {
    char16_t c = text[i];
    if (IsDigit(c)) {
      ++mantissaDigits;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    buf[n++] = static_cast<char>(c);
  }
  if (mantissaDigits == 0) return false;
  bool negativeExponent = false;
  if (i < e && (text[i] == u'e' || text[i] == u'E')) {
    buf[n++] = 'e';
    ++i;
    if (i < e && (text[i] == u'+' || text[i] == u'-')) {
      negativeExponent = text[i] == u'-';
      buf[n++] = static_cast<char>(text[i]);
      ++i;
    }
    std::size_t digitsFrom = i;
    for (; i < e && IsDigit(text[i]); ++i) buf[n++] = static_cast<char>(text[i]);
    if (i == digitsFrom) return false;
  }
  if (i != e) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(buf, buf + n, v);
  if (ec == std::errc::result_out_of_range) {
    // Out of range after a negative exponent: an underflow, to zero; else an
    // overflow.
    if (!negativeExponent) return false;
    v = buf[0] == '-' ? -0.0 : 0.0;
  } else if (ec != std::errc() || end != buf + n) {
    return false;
  }
  *value = v;
  return true;
}

double TextToNumber(std::u16string_view text) {
  if (TooLong(text)) return kNotANumber;
  double v = 0;
  bool ok = !text.empty() && text[0] == u'$' ? ParseHex(text, &v)
                                             : ParseDecimal(text, &v, DecimalBlanks::kSpaces);
  return ok ? v : kNotANumber;
}

double TrimToNumber(std::u16string_view text) {
  std::u16string trimmed = Trim(text);
  return trimmed.empty() ? 0.0 : TextToNumber(trimmed);
}

bool IsNumberText(std::u16string_view text, bool noTrim, bool strictExponent) {
  std::u16string trimmed;
  if (!noTrim) {
    trimmed = Trim(text);
    text = trimmed;
  }
  if (text.empty() || TooLong(text)) return false;
  double v;
  if (text[0] == u'$') return ParseHex(text, &v);
  for (char16_t c : text) {
    if (!IsDigit(c) && c != u'+' && c != u'-' && c != u'.' && c != u'e' && c != u'E') return false;
  }
  if (!ParseDecimal(text, &v, DecimalBlanks::kSpaces)) return false;
  if (strictExponent) {
    std::size_t e = text.find_last_of(u"eE");
    if (e != std::u16string_view::npos && text[e + 1] != u'+' && text[e + 1] != u'-') return false;
  }
  return true;
}

std::u16string VersionText(double number) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, number, std::chars_format::general, 15);
  std::u16string digits;
  if (ec == std::errc()) {
    for (const char* p = buf; p != end; ++p) {
      if (*p != '.') digits.push_back(static_cast<char16_t>(*p));
    }
  }
  digits += u"000";
  std::u16string out;
  for (std::size_t i = 0; i < 4 && i < digits.size(); ++i) {
    if (i > 0) out.push_back(u'.');
    out.push_back(digits[i]);
  }
  return out;
}

}  // namespace zelk
