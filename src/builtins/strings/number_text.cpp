// Between numbers and texts: FORMAT, VAL and CHKNUM.
#include <charconv>
#include <cmath>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "builtins/strings/string_functions.h"
#include "foundation/messages.h"
#include "runtime/vars/variable_parts.h"

namespace zelk {
namespace {

constexpr double kErrValue = -999999;
// More decimals than a double holds only add zeros; this keeps texts bounded.
constexpr int kMaxDecimals = 100;

std::u16string Widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

std::u16string HexText(std::int64_t value) {
  char buf[20];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(value), 16);
  std::u16string out = Widen(std::string_view(buf, static_cast<std::size_t>(end - buf)));
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'f') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

// Adds one to a string of decimal digits.
void Increment(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

}  // namespace

// Works on the 17 significant digits of the double, so that a tie rounds
// away from zero the same way on every platform's printf.
std::u16string FixedDecimals(double value, int decimals) {
  if (!std::isfinite(value)) return FormatDouble(value);
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  char buf[40];
  auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 16);
  std::string mantissa;
  const char* p = buf;
  for (; p != end && *p != 'e'; ++p) {
    if (*p != '.') mantissa.push_back(*p);
  }
  // The buffer is not terminated: the exponent is read up to end only.
  int exponent = 0;
  if (p != end) {
    ++p;
    if (p != end && *p == '+') ++p;
    std::from_chars(p, end, exponent);
  }
  // value = mantissa * 10^(exponent - 16); scaled by 10^decimals and rounded.
  int shift = exponent - 16 + decimals;
  std::string digits;
  if (shift >= 0) {
    digits = mantissa + std::string(static_cast<std::size_t>(shift), '0');
  } else {
    auto drop = static_cast<std::size_t>(-shift);
    if (drop > mantissa.size()) {
      digits = "0";
    } else {
      digits = mantissa.substr(0, mantissa.size() - drop);
      char first = mantissa[mantissa.size() - drop];
      if (digits.empty()) digits = "0";
      if (first >= '5') Increment(digits);
    }
  }
  std::size_t nonZero = digits.find_first_not_of('0');
  bool zero = nonZero == std::string::npos;
  digits.erase(0, zero ? digits.size() : nonZero);
  if (digits.size() < static_cast<std::size_t>(decimals) + 1) {
    digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
  }
  if (decimals > 0) digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
  if (value < 0 && !zero) digits.insert(0, 1, '-');
  return Widen(digits);
}

std::u16string FormatNumber(double number, std::int64_t whole, bool hasWidth, std::int64_t width,
                            bool hasDigits, std::int64_t digits) {
  std::u16string text;
  if (hasDigits && digits < 0) {
    text = HexText(whole);
  } else {
    text = hasDigits ? FixedDecimals(number,
                                     static_cast<int>(std::min<std::int64_t>(digits, kMaxDecimals)))
                     : FormatDouble(number);
    if (hasWidth) {
      // A width that the integer part fills leaves no room for decimals.
      std::u16string integer = FixedDecimals(std::trunc(number), 0);
      if (static_cast<std::int64_t>(integer.size()) < width) {
        if (static_cast<std::int64_t>(text.size()) > width) {
          text.resize(static_cast<std::size_t>(width));
        }
      } else {
        text = std::move(integer);
      }
    }
  }
  if (hasWidth && width > static_cast<std::int64_t>(text.size())) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), u' ');
  }
  return text;
}

void BuiltinFormat(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::int64_t width = a.count >= 2 ? a.whole[1] : 0;
  if (width > kMaxBuiltText) {
    call.Fail(Msg(u"FORMAT: The width is too large", u"FORMAT: 幅が大きすぎます"));
    return;
  }
  const Value& v = a.value[0];
  if (a.numeric[0] && !v.IsString()) {
    call.result = Value::String(
        FormatNumber(a.real[0], a.whole[0], a.count >= 2, width, a.count >= 3, a.whole[2]));
    return;
  }
  // A number whose text has an exponent without sign ("1E20") is still a number.
  double number = 0;
  if (v.IsNumericKind() && v.ToNumber(&number) && std::isfinite(number)) {
    auto whole = std::fabs(number) < 9.2e18 ? static_cast<std::int64_t>(number) : 0;
    call.result =
        Value::String(FormatNumber(number, whole, a.count >= 2, width, a.count >= 3, a.whole[2]));
    return;
  }
  // Text mode: the text repeated up to the width.
  const std::u16string& text = a.text[0];
  std::u16string out;
  if (!text.empty() && width > 0) {
    out.reserve(static_cast<std::size_t>(width));
    while (static_cast<std::int64_t>(out.size()) < width) out += text;
    out.resize(static_cast<std::size_t>(width));
  }
  call.result = Value::String(std::move(out));
}

void BuiltinChkNum(BuiltinCall& call) {
  call.result = Value::Boolean(IsNumberText(call.args.text[0], true, true));
}

// VAL(s, err, names): a number text, then (with names) TRUE, FALSE and the
// names of constants, then the value itself as a number, else err.
void BuiltinVal(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  std::u16string text = TrimText(a.text[0], true);
  std::erase(text, u',');
  text = UpperAscii(text);
  if (IsNumberText(text, false, false)) {
    call.result = Value::Double(TextToNumber(Trim(text)));
    return;
  }
  if (a.count >= 3 && a.whole[2] > 0 && !text.empty()) {
    if (text == u"TRUE" || text == u"FALSE") {
      call.result = Value::Boolean(text == u"TRUE");
      return;
    }
    Value named;
    if (vars::ReadSpecialName(call.context, text, &named) && named.IsNumericKind()) {
      call.result = named;
      return;
    }
  }
  double number = 0;
  const Value& v = a.value[0];
  if (!v.IsString() && v.ToNumber(&number)) {
    call.result = Value::Double(number);
    return;
  }
  if (a.count == 2 || (a.count >= 3 && !a.text[1].empty())) {
    call.result = a.value[1];
    return;
  }
  call.result = Value::Double(kErrValue);
}

}  // namespace zelk
