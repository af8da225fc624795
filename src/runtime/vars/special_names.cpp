// Names that read a value without being variables: the built-in constants and
// live specials (kept by the built-in library), and the fixed names NULL,
// NOTHING, EMPTY, TRY_ERRMSG, TRY_ERRLINE, COM_ERR_FLG, G_IMG_X/Y and the
// G_TIME_ family. Also the list of reserved words behind CheckReserved.
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/date_time.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables_internal.h"

namespace zelk::vars {
namespace {

enum class Fixed {
  kNull,
  kNothing,
  kEmpty,
  kTryErrMsg,
  kTryErrLine,
  kComErrFlag,
  kImageX,
  kImageY,
  kTimeYear,
  kTimeMonth,
  kTimeDay,
  kTimeHour,
  kTimeMinute,
  kTimeSecond,
  kTimeMillisecond,
  kTimeWeekday,
  kTimeYear4,
  kTimeYear2,
  kTimeMonth2,
  kTimeDay2,
  kTimeHour2,
  kTimeMinute2,
  kTimeSecond2,
  kTimeMillisecond3,
  kReservedOnly,  // reserved, but read elsewhere or not at all
};

const std::unordered_map<std::u16string_view, Fixed>& FixedNames() {
  static const std::unordered_map<std::u16string_view, Fixed> names = {
      {u"NULL", Fixed::kNull},
      {u"NOTHING", Fixed::kNothing},
      {u"EMPTY", Fixed::kEmpty},
      {u"TRY_ERRMSG", Fixed::kTryErrMsg},
      {u"TRY_ERRLINE", Fixed::kTryErrLine},
      {u"COM_ERR_FLG", Fixed::kComErrFlag},
      {u"G_IMG_X", Fixed::kImageX},
      {u"G_IMG_Y", Fixed::kImageY},
      {u"G_TIME_YY", Fixed::kTimeYear},
      {u"G_TIME_MM", Fixed::kTimeMonth},
      {u"G_TIME_DD", Fixed::kTimeDay},
      {u"G_TIME_HH", Fixed::kTimeHour},
      {u"G_TIME_NN", Fixed::kTimeMinute},
      {u"G_TIME_SS", Fixed::kTimeSecond},
      {u"G_TIME_ZZ", Fixed::kTimeMillisecond},
      {u"G_TIME_WW", Fixed::kTimeWeekday},
      {u"G_TIME_YY4", Fixed::kTimeYear4},
      {u"G_TIME_YY2", Fixed::kTimeYear2},
      {u"G_TIME_MM2", Fixed::kTimeMonth2},
      {u"G_TIME_DD2", Fixed::kTimeDay2},
      {u"G_TIME_HH2", Fixed::kTimeHour2},
      {u"G_TIME_NN2", Fixed::kTimeMinute2},
      {u"G_TIME_SS2", Fixed::kTimeSecond2},
      {u"G_TIME_ZZ2", Fixed::kTimeMillisecond3},
      {u"TRUE", Fixed::kReservedOnly},
      {u"FALSE", Fixed::kReservedOnly},
      {u"AND", Fixed::kReservedOnly},
      {u"OR", Fixed::kReservedOnly},
      {u"XOR", Fixed::kReservedOnly},
      {u"MOD", Fixed::kReservedOnly},
      {u"RESULT", Fixed::kReservedOnly},
  };
  return names;
}

// The fixed name NAME stands for, ignoring ASCII case; false for none.
bool FindFixed(std::u16string_view name, Fixed* fixed) {
  constexpr std::size_t kLongest = 11;  // TRY_ERRLINE, COM_ERR_FLG
  if (name.empty() || name.size() > kLongest) return false;
  char16_t upper[kLongest];
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    upper[i] = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
  }
  const auto& names = FixedNames();
  auto it = names.find(std::u16string_view(upper, name.size()));
  if (it == names.end()) return false;
  *fixed = it->second;
  return true;
}

std::u16string Digits(int value, int width) {
  std::u16string out(static_cast<std::size_t>(width), u'0');
  for (int i = width - 1; i >= 0 && value > 0; --i) {
    out[static_cast<std::size_t>(i)] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  }
  return out;
}

// The screen, cursor, folder and window-marker names, read afresh each time.
bool ReadLiveSpecial(THensuFmt& context, std::u16string_view name, Value* out) {
  const BuiltinLibrary& builtins = context.interp->builtins();
  double number = 0;
  if (builtins.ReadNumericSpecial(name, &number)) {
    *out = Value::Double(number);
    return true;
  }
  std::u16string text = builtins.TextSpecial(name, *context.interp);
  if (text.empty()) return false;
  *out = Value::String(std::move(text));
  return true;
}

}  // namespace

bool ReadSpecialName(THensuFmt& context, std::u16string_view name, Value* out) {
  // Constants first: they are what scripts read most.
  double constant = 0;
  if (context.interp->builtins().ReadConstant(name, &constant)) {
    *out = Value::Double(constant);
    return true;
  }
  Fixed fixed;
  if (!FindFixed(name, &fixed)) return ReadLiveSpecial(context, name, out);
  DateTimeParts t;
  if (fixed >= Fixed::kTimeYear && fixed <= Fixed::kTimeMillisecond3) {
    t = DecodeDateTime(context.timeStamp);
  }
  switch (fixed) {
    case Fixed::kNull:
      *out = Value::Null();
      return true;
    case Fixed::kNothing:
      *out = Value::Nothing();
      return true;
    case Fixed::kEmpty:
      *out = Value();
      return true;
    case Fixed::kTryErrMsg:
      *out = Value::String(context.tryErrMsg);
      return true;
    case Fixed::kTryErrLine:
      *out = Value::String(context.tryErrLine);
      return true;
    case Fixed::kComErrFlag:
      *out = Value::Boolean(context.interp->RecordOf(context).comErrFlag != 0);
      return true;
    case Fixed::kImageX:
      *out = Value::Int(context.imageX, kVtInteger);
      return true;
    case Fixed::kImageY:
      *out = Value::Int(context.imageY, kVtInteger);
      return true;
    case Fixed::kTimeYear:
      *out = Value::Int(t.year, kVtWord);
      return true;
    case Fixed::kTimeMonth:
      *out = Value::Int(t.month, kVtWord);
      return true;
    case Fixed::kTimeDay:
      *out = Value::Int(t.day, kVtWord);
      return true;
    case Fixed::kTimeHour:
      *out = Value::Int(t.hour, kVtWord);
      return true;
    case Fixed::kTimeMinute:
      *out = Value::Int(t.minute, kVtWord);
      return true;
    case Fixed::kTimeSecond:
      *out = Value::Int(t.second, kVtWord);
      return true;
    case Fixed::kTimeMillisecond:
      *out = Value::Int(t.millisecond, kVtWord);
      return true;
    case Fixed::kTimeWeekday:
      *out = Value::Int(t.dayOfWeek, kVtInteger);
      return true;
    case Fixed::kTimeYear4:
      *out = Value::String(Digits(t.year, 4));
      return true;
    case Fixed::kTimeYear2:
      *out = Value::String(Digits(t.year % 100, 2));
      return true;
    case Fixed::kTimeMonth2:
      *out = Value::String(Digits(t.month, 2));
      return true;
    case Fixed::kTimeDay2:
      *out = Value::String(Digits(t.day, 2));
      return true;
    case Fixed::kTimeHour2:
      *out = Value::String(Digits(t.hour, 2));
      return true;
    case Fixed::kTimeMinute2:
      *out = Value::String(Digits(t.minute, 2));
      return true;
    case Fixed::kTimeSecond2:
      *out = Value::String(Digits(t.second, 2));
      return true;
    case Fixed::kTimeMillisecond3:
      *out = Value::String(Digits(t.millisecond, 3));
      return true;
    case Fixed::kReservedOnly:
      return false;
  }
  return false;
}

bool IsReservedName(const Interpreter& interp, std::u16string_view name) {
  Fixed fixed;
  return FindFixed(name, &fixed) || interp.builtins().IsSpecialName(name);
}

}  // namespace zelk::vars
