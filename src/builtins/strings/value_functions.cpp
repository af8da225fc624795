// VARTYPE (a value's kind, or the value converted to another kind) and RANDOM.
#include <cmath>
#include <random>

#include "base/text_scan.h"
#include "builtins/strings/string_functions.h"
#include "foundation/date_time.h"
#include "foundation/messages.h"
#include "runtime/vars/element_kind.h"

namespace zelk {
namespace {

int Digits(std::u16string_view text, std::size_t* i, int most) {
  int value = 0, count = 0;
  while (*i < text.size() && count < most && text[*i] >= u'0' && text[*i] <= u'9') {
    value = value * 10 + (text[(*i)++] - u'0');
    ++count;
  }
  return count > 0 ? value : -1;
}

// "yyyy/mm/dd", optionally followed by "hh:nn" or "hh:nn:ss"; '-' may separate the date.
bool ParseDateText(std::u16string_view text, double* date) {
  std::size_t i = 0;
  DateTimeParts parts;
  parts.year = Digits(text, &i, 4);
  auto separator = [&](char16_t a, char16_t b) {
    if (i < text.size() && (text[i] == a || text[i] == b)) {
      ++i;
      return true;
    }
    return false;
  };
  if (parts.year < 0 || !separator(u'/', u'-')) return false;
  parts.month = Digits(text, &i, 2);
  if (parts.month < 1 || parts.month > 12 || !separator(u'/', u'-')) return false;
  parts.day = Digits(text, &i, 2);
  if (parts.day < 1 || parts.day > 31) return false;
  parts.hour = parts.minute = parts.second = 0;
  if (separator(u' ', u'T')) {
    parts.hour = Digits(text, &i, 2);
    if (parts.hour < 0 || parts.hour > 23 || !separator(u':', u':')) return false;
    parts.minute = Digits(text, &i, 2);
    if (parts.minute < 0 || parts.minute > 59) return false;
    if (separator(u':', u':')) {
      parts.second = Digits(text, &i, 2);
      if (parts.second < 0 || parts.second > 59) return false;
    }
  }
  if (i != text.size()) return false;
  *date = EncodeDateTime(parts);
  return true;
}

bool ToBoolean(const Value& v, bool* out) {
  if (v.IsString()) {
    std::u16string t = UpperAscii(Trim(v.AsString()));
    if (t == u"TRUE" || t == u"FALSE") {
      *out = t == u"TRUE";
      return true;
    }
  }
  double d = 0;
  if (!v.ToNumber(&d)) return false;
  *out = d != 0;
  return true;
}

// v as kind `type`; false when it cannot be had.
bool ConvertTo(const Value& v, std::int64_t type, Value* out) {
  if (type == kVtVariant || type == v.type()) {
    *out = v;
    return true;
  }
  if (type == kVtEmpty) {
    *out = Value();
    return true;
  }
  if (type == kVtNull) {
    *out = Value::Null();
    return true;
  }
  if (v.IsNull() || v.IsArray()) return false;
  if (type == kVtOleStr || type == kVtUString || type == kVtNarrowStr) {
    std::u16string text;
    if (!v.ToText(&text)) return false;
    *out = Value::String(std::move(text), static_cast<VarType>(type));
    return true;
  }
  if (type == kVtBoolean) {
    bool b = false;
    if (!ToBoolean(v, &b)) return false;
    *out = Value::Boolean(b);
    return true;
  }
  if (type == kVtDispatch) {
    // Only NOTHING can be had from a number: an address is no object here.
    double d = 0;
    if (!v.IsString() && v.ToNumber(&d) && d == 0) {
      *out = Value::Nothing();
      return true;
    }
    return false;
  }
  double d = 0;
  if (type == kVtDate && v.IsString() && ParseDateText(Trim(v.AsString()), &d)) {
    *out = Value::Date(d);
    return true;
  }
  if (v.IsDispatch() || !v.ToNumber(&d) || !std::isfinite(d)) return false;
  double low = 0, high = 0;
  if (type >= 0 && type <= 0xFFFF &&
      vars::WholeNumberRange(static_cast<VarType>(type), &low, &high)) {
    double rounded = std::nearbyint(d);  // ties to even, as the automation layer rounds
    if (rounded < low || rounded > high) return false;
    *out =
        type == kVtUInt64
            ? Value::Int(static_cast<std::int64_t>(static_cast<std::uint64_t>(rounded)), kVtUInt64)
            : Value::Int(static_cast<std::int64_t>(rounded), static_cast<VarType>(type));
    return true;
  }
  switch (type) {
    case kVtDouble:
      *out = Value::Double(d);
      return true;
    case kVtDate:
      *out = Value::Date(d);
      return true;
    case kVtCurrency: {
      double scaled = std::nearbyint(d * 10000.0);
      if (std::fabs(scaled) >= 9223372036854774784.0) return false;
      *out = Value::Int(static_cast<std::int64_t>(scaled), kVtCurrency);
      return true;
    }
    case kVtError:
      if (d < -2147483648.0 || d > 2147483647.0) return false;
      *out = Value::Error(static_cast<std::int32_t>(d));
      return true;
    default:
      return false;
  }
}

}  // namespace

void BuiltinVarType(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const Value& v = a.value[0];
  if (a.count < 2) {
    call.result = Value::Int(v.type());
    return;
  }
  Value out;
  if (a.whole[1] < 0 || a.whole[1] > 65535 || !ConvertTo(v, a.whole[1], &out)) {
    call.Fail(Msg(u"VARTYPE: Cannot convert to type: ", u"VARTYPE: 型に変換できません: ") +
              a.text[1]);
    return;
  }
  call.result = std::move(out);
}

void BuiltinRandom(BuiltinCall& call) {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  if (call.args.count == 0) {
    // 53 random bits: never 1.0, which the library's distributions can yield.
    call.result = Value::Double(static_cast<double>(engine() >> 11) * 0x1.0p-53);
    return;
  }
  std::int64_t n = call.args.whole[0];
  if (n <= 1) {
    call.result = Value::Int(0);
    return;
  }
  call.result = Value::Int(std::uniform_int_distribution<std::int64_t>(0, n - 1)(engine));
}

}  // namespace zelk
