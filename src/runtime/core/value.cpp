#include "runtime/core/value.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "base/numbers.h"
#include "foundation/date_time.h"

namespace zelk {

ArrayCell::ArrayCell() = default;
ArrayCell::~ArrayCell() = default;

ArrayCell* ArrayCell::Clone() const {
  auto* copy = new ArrayCell;
  copy->elementType = elementType;
  copy->bounds = bounds;
  copy->items = items;
  return copy;
}

Value Value::String(std::u16string text, VarType type) {
  Value v(type, 0);
  v.u_.cell = new StringCell(std::move(text));
  return v;
}

Value Value::Object(ObjectCell* cell) {
  Value v(kVtDispatch, 0);
  v.u_.cell = cell;
  return v;
}

Value Value::Array(ArrayCell* cell) {
  Value v(static_cast<VarType>(kVtArray | cell->elementType), 0);
  v.u_.cell = cell;
  return v;
}

Value Value::ArrayOf(std::vector<Value> items) {
  auto* cell = new ArrayCell;
  cell->bounds.push_back({0, static_cast<std::int32_t>(items.size())});
  cell->items = std::move(items);
  return Array(cell);
}

bool Value::IsIntegerKind() const {
  switch (type_) {
    case kVtSmallint:
    case kVtInteger:
    case kVtShortInt:
    case kVtByte:
    case kVtWord:
    case kVtLongWord:
    case kVtInt64:
    case kVtUInt64:
      return true;
    default:
      return false;
  }
}

bool Value::IsNumericKind() const {
  return IsIntegerKind() || type_ == kVtDouble || type_ == kVtSingle || type_ == kVtCurrency ||
         type_ == kVtDate;
}

ArrayCell* Value::MutableArray() {
  auto* cell = static_cast<ArrayCell*>(u_.cell);
  if (cell->Shared()) {
    ArrayCell* copy = cell->Clone();
    cell->Release();
    u_.cell = copy;
    cell = copy;
  }
  return cell;
}

namespace {

std::u16string Ascii(const char* s) {
  return std::u16string(s, s + std::char_traits<char>::length(s));
}

std::u16string IntegerText(std::int64_t i, bool isUnsigned) {
  char buf[32];
  if (isUnsigned) {
    std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(i));
  } else {
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(i));
  }
  return Ascii(buf);
}

}  // namespace

bool Value::ToText(std::u16string* text) const {
  switch (type_) {
    case kVtEmpty:
    case kVtNull:
      text->clear();
      return true;
    case kVtBoolean:
      *text = u_.i ? u"True" : u"False";
      return true;
    case kVtDouble:
      *text = FormatDouble(u_.d);
      return true;
    case kVtSingle:
      // A single holds about 7 significant digits; more would show its binary noise.
      *text = FormatDouble(static_cast<double>(static_cast<float>(u_.d)), 7);
      return true;
    case kVtCurrency:
      *text = FormatDouble(static_cast<double>(u_.i) / 10000.0);
      return true;
    case kVtDate:
      *text = FormatDate(u_.d);
      return true;
    case kVtUString:
    case kVtOleStr:
    case kVtNarrowStr:
      *text = AsString();
      return true;
    default:
      if (IsIntegerKind()) {
        *text = IntegerText(u_.i, type_ == kVtUInt64);
        return true;
      }
      text->clear();
      return false;
  }
}

std::u16string Value::Text() const {
  std::u16string text;
  ToText(&text);
  return text;
}

bool Value::ToNumber(double* number) const {
  switch (type_) {
    case kVtEmpty:
      *number = 0;
      return true;
    case kVtBoolean:
      *number = u_.i ? 1 : 0;
      return true;
    case kVtDouble:
    case kVtDate:
      *number = u_.d;
      return true;
    case kVtSingle:
      *number = static_cast<float>(u_.d);
      return true;
    case kVtCurrency:
      *number = static_cast<double>(u_.i) / 10000.0;
      return true;
    case kVtUString:
    case kVtOleStr:
    case kVtNarrowStr:
      return ParseDecimal(AsString(), number, DecimalBlanks::kSpacesAndTabs);
    default:
      if (IsIntegerKind()) {
        *number = type_ == kVtUInt64 ? static_cast<double>(static_cast<std::uint64_t>(u_.i))
                                     : static_cast<double>(u_.i);
        return true;
      }
      return false;
  }
}

std::u16string FormatDouble(double d) {
  return FormatDouble(d, 15);
}

std::u16string FormatDouble(double d, int digits) {
  if (std::isnan(d)) return u"NAN";
  if (std::isinf(d)) return d > 0 ? u"INF" : u"-INF";
  if (d == 0) return u"0";
  // Whole numbers below 1e15 are exact in 15 digits: write them directly,
  // since counters and keys built from them are formatted in hot loops.
  if (digits >= 15 && std::fabs(d) < 1e15 && d == std::trunc(d)) {
    char16_t buf[17];
    char16_t* end = buf + sizeof buf / sizeof buf[0];
    char16_t* p = end;
    auto u = static_cast<std::uint64_t>(std::fabs(d));
    do {
      *--p = static_cast<char16_t>(u'0' + u % 10);
      u /= 10;
    } while (u != 0);
    if (d < 0) *--p = u'-';
    return std::u16string(p, end);
  }
  if (digits < 1) digits = 1;
  if (digits > 17) digits = 17;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, d);  // d.ddde[+-]xx, rounded
  const char* p = buf;
  bool negative = *p == '-';
  if (negative) ++p;
  std::string mantissa;
  for (; *p && *p != 'e'; ++p) {
    if (*p != '.') mantissa.push_back(*p);
  }
  int exponent = std::atoi(p + 1);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

  std::string out = negative ? "-" : "";
  // Exponent form beyond the digits kept and below 0.0001, as the general
  // format of the host's number formatting does.
  if (exponent >= digits || exponent < -4) {
    out += mantissa[0];
    if (mantissa.size() > 1) out += "." + mantissa.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
  } else {
    std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
    if (mantissa.size() <= intDigits) {
      out += mantissa + std::string(intDigits - mantissa.size(), '0');
    } else {
      out += mantissa.substr(0, intDigits) + "." + mantissa.substr(intDigits);
    }
  }
  return std::u16string(out.begin(), out.end());
}

std::u16string FormatDate(double oleDate) {
  // The OLE form: whole days since 1899-12-30 truncated toward zero, the
  // fraction (also of a negative value) the time after that day's midnight.
  if (!std::isfinite(oleDate) || oleDate < -657435.0 || oleDate >= 2958466.0) {
    return FormatDouble(oleDate);
  }
  double whole = std::trunc(oleDate);
  long long days = static_cast<long long>(whole);
  long long seconds = std::llround(std::fabs(oleDate - whole) * 86400.0);
  if (seconds >= 86400) {  // rounding reached the next midnight: the next calendar day
    seconds -= 86400;
    ++days;
  }
  DateTimeParts parts = DecodeDateTime(static_cast<double>(days));
  char buf[64];
  int n = 0;
  if (days != 0) {
    n = std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", parts.year, parts.month, parts.day);
  }
  if (seconds != 0) {
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "%s%02lld:%02lld:%02lld",
                       n ? " " : "", seconds / 3600, seconds / 60 % 60, seconds % 60);
  }
  if (n == 0) n = std::snprintf(buf, sizeof buf, "00:00:00");
  return std::u16string(buf, buf + n);
}

bool ArrayCell::Position(const std::int32_t* indexes, std::size_t n, std::size_t* position) const {
  if (n != bounds.size()) return false;
  std::size_t pos = 0;
  std::size_t stride = 1;
  for (std::size_t k = 0; k < n; ++k) {
    std::int64_t offset = static_cast<std::int64_t>(indexes[k]) - bounds[k].lower;
    if (offset < 0 || offset >= bounds[k].count) return false;
    pos += static_cast<std::size_t>(offset) * stride;
    stride *= static_cast<std::size_t>(bounds[k].count);
  }
  if (pos >= items.size()) return false;
  *position = pos;
  return true;
}

bool SameValue(const Value& a, const Value& b) {
  if (a.type() != b.type()) return false;
  if (a.IsString()) return a.AsString() == b.AsString();
  if (a.IsArray()) {
    const ArrayCell* x = a.AsArray();
    const ArrayCell* y = b.AsArray();
    if (x == y) return true;
    if (x->items.size() != y->items.size() || x->bounds.size() != y->bounds.size()) return false;
    for (std::size_t k = 0; k < x->bounds.size(); ++k) {
      if (x->bounds[k].lower != y->bounds[k].lower || x->bounds[k].count != y->bounds[k].count) {
        return false;
      }
    }
    for (std::size_t k = 0; k < x->items.size(); ++k) {
      if (!SameValue(x->items[k], y->items[k])) return false;
    }
    return true;
  }
  if (a.IsDispatch()) {
    if (a.IsNothing() || b.IsNothing()) return a.IsNothing() && b.IsNothing();
    return a.AsObject()->Identity() == b.AsObject()->Identity();
  }
  switch (a.type()) {
    case kVtEmpty:
    case kVtNull:
      return true;
    case kVtDouble:
    case kVtDate:
    case kVtSingle:
      return a.AsDouble() == b.AsDouble();
    default:
      return a.AsInt() == b.AsInt();
  }
}

}  // namespace zelk
