#include "debugger/views/value_edit.h"

#include <mutex>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "foundation/messages.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

std::u16string Decimal(unsigned n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// Undoes the display's and the box's escapes: "<#CR>" is a line break,
// "<#TAB>" a tab, and "<#n>" the control character n when the box made them.
std::u16string Unescape(std::u16string_view text, bool escaped) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, 2, u"<#") != 0) {
      out += text[i++];
      continue;
    }
    if (text.compare(i, 5, u"<#CR>") == 0) {
      out += u"\r\n";
      i += 5;
      continue;
    }
    if (text.compare(i, 6, u"<#TAB>") == 0) {
      out += u'\t';
      i += 6;
      continue;
    }
    if (escaped) {
      std::size_t end = i + 2;
      unsigned code = 0;
      while (end < text.size() && end < i + 4 && text[end] >= u'0' && text[end] <= u'9') {
        code = code * 10 + (text[end] - u'0');
        ++end;
      }
      if (end > i + 2 && end < text.size() && text[end] == u'>' && code < 32) {
        out += static_cast<char16_t>(code);
        i = end + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

bool IsNumericKind(int kind) {
  return (kind >= kVtSmallint && kind <= kVtDouble) || (kind >= kVtShortInt && kind <= kVtInt64);
}

}  // namespace

std::u16string EditText(const Value& value) {
  const std::u16string text = FormatPrintValue(value, false);
  if (text.find_first_of(u"\r\t") == std::u16string::npos) return text;
  return ReplaceAll(ReplaceAll(text, u"\r\n", u"<#CR>"), u"\t", u"<#TAB>");
}

bool ScalarValue(const THensuFmt& context, int index, Value* value) {
  Interpreter& interp = *context.interp;
  std::unique_lock<std::recursive_mutex> lock;
  if (&context == &interp.global) lock = std::unique_lock(interp.variableLock);
  const auto i = static_cast<std::size_t>(index);
  if (index < 0 || i >= context.vars.values.size() || context.vars.values[i].size() != 1 ||
      !context.vars.bounds[i].empty()) {
    return false;
  }
  *value = context.vars.values[i][0];
  return true;
}

std::u16string EscapeForEdit(std::u16string_view text, bool* escaped) {
  *escaped = false;
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 32) {
      out += u"<#" + Decimal(c) + u">";
      *escaped = true;
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string KindDescription(int kind, std::u16string_view valueText) {
  switch (kind) {
    case kVtEmpty:
      return u"EMPTY";
    case kVtNull:
      return u"NULL";
    case kVtSmallint:
    case kVtInteger:
    case kVtSingle:
    case kVtDouble:
    case kVtWord:
    case kVtLongWord:
    case kVtInt64:
      return Msg(u"NUMERICAL", u"数値");
    case kVtCurrency:
      return Msg(u"CURRENCY type", u"通貨型");
    case kVtDate:
      return Msg(u"DATE type", u"日付型");
    case kVtOleStr:
    case 72:
    case kVtNarrowStr:
    case kVtUString:
      return Msg(u"STRING type", u"文字型");
    case kVtDispatch:
      return valueText == u"NOTHING" ? u"NOTHING" : Msg(u"POINTER", u"ポインター");
    case kVtError:
      return Msg(u"ERROR type", u"ERROR型");
    case kVtBoolean:
      return Msg(u"BOOLEAN type", u"BOOLEAN型");
    case kVtVariant:
      return Msg(u"VARIANT type", u"バリアント型");
    case kVtShortInt:
      return Msg(u"Signed BYTE type", u"バイト型(符号付)");
    case kVtByte:
      return Msg(u"Unsigned BYTE type", u"バイト型(符号なし)");
    default:
      return u"";
  }
}

Value EditedValue(std::u16string_view text, int oldKind, bool escaped, const AskKind& ask) {
  const std::u16string upper = UpperAscii(text);
  const std::u16string textChoice = Msg(u"STRING type", u"文字型");
  const std::u16string prompt = Msg(u"Choose the type", u"型指定");
  if (IsNumberText(text, true, false)) {
    if (IsNumericKind(oldKind)) return Value::Double(TextToNumber(text));
    return Value::String(std::u16string(text), kVtNarrowStr);
  }
  if (upper == u"NULL" || upper == u"EMPTY" || upper == u"NOTHING") {
    const std::u16string valueChoice = upper + Msg(u" type", u"型");
    if (ask({prompt, textChoice, valueChoice}) != 1) return Value::String(std::u16string(text));
    if (upper == u"NULL") return Value::Null();
    if (upper == u"EMPTY") return Value();
    return Value::Nothing();
  }
  if (upper == u"TRUE" || upper == u"FALSE") {
    if (ask({prompt, textChoice, Msg(u"Boolean type", u"Boolean型")}) != 1) {
      return Value::String(std::u16string(text));
    }
    return Value::Boolean(upper == u"TRUE");
  }
  if (text.find(u"<#") == std::u16string_view::npos) return Value::String(std::u16string(text));
  return Value::String(Unescape(text, escaped));
}

std::u16string VariableHint(const VariableRow& row) {
  return row.name + u"\r" + row.value + u"\r" + KindName(row.kind);
}

}  // namespace zelk
