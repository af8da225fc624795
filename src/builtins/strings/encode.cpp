// ENCODE and DECODE: ANSI, URL, UTF-8, HTML and byte-array codings.
// A byte string (the UTF-8 form) is a narrow string holding one byte per
// code unit, so that it survives whatever the ANSI code page is.
#include "base/code_points.h"
#include "base/utf.h"
#include "builtins/strings/html_entities.h"
#include "builtins/strings/string_functions.h"
#include "foundation/messages.h"
#include "platform/platform.h"

namespace zelk {
namespace {

enum Code : std::int64_t {
  kCodeAnsi = 1,
  kCodeUrl = 2,
  kCodeUtf8 = 3,
  kCodeHtml = 4,
  kCodeByteArray = 5,
  kCodeByteArrayW = 6,
};

std::string AnsiBytes(std::u16string_view text) {
  std::string bytes;
  os::TextToAnsi(text, &bytes);
  return bytes;
}

std::u16string UnitsFromBytes(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

// A byte string back to bytes; text beyond one byte per unit came through
// the code page.
std::string BytesFromText(std::u16string_view text) {
  for (char16_t c : text) {
    if (c > 0xFF) return AnsiBytes(text);
  }
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool UrlKeeps(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '@':
    case '_':
      return true;
    default:
      return false;
  }
}

Value ByteArray(std::string_view bytes) {
  auto* cell = new ArrayCell;
  cell->elementType = kVtByte;
  cell->bounds.push_back({0, static_cast<std::int32_t>(bytes.size())});
  cell->items.reserve(bytes.size());
  for (char b : bytes) cell->items.push_back(Value::Int(static_cast<unsigned char>(b), kVtByte));
  return Value::Array(cell);
}

// The bytes of a one-dimensional array; false when the value is no array.
bool ArrayBytes(const Value& value, std::string* bytes) {
  if (!value.IsArray()) return false;
  const ArrayCell* cell = value.AsArray();
  bytes->clear();
  bytes->reserve(cell->items.size());
  for (const Value& item : cell->items) {
    double number = 0;
    item.ToNumber(&number);
    bytes->push_back(static_cast<char>(static_cast<std::int64_t>(number) & 0xFF));
  }
  return true;
}

void UnknownCode(BuiltinCall& call, const char16_t* english, const char16_t* japanese) {
  call.Fail(std::u16string(Msg(english, japanese)) + call.args.text[1]);
}

}  // namespace

std::string UrlEncodeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    auto c = static_cast<unsigned char>(b);
    if (UrlKeeps(c)) {
      out.push_back(b);
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string UrlDecodeBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%' && i + 1 < bytes.size() && bytes[i + 1] == '%') {
      out.push_back('%');
      ++i;
    } else if (c == '%' && i + 2 < bytes.size() && HexDigit(bytes[i + 1]) >= 0 &&
               HexDigit(bytes[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(bytes[i + 1]) * 16 + HexDigit(bytes[i + 2])));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string HtmlEncode(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'"':
        out += u"&quot;";
        break;
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// Named references of HTML 4 and decimal ones; anything else stays as written.
std::u16string HtmlDecode(std::u16string_view text) {
  constexpr std::size_t kLongestReference = 10;  // "&#1114111;", "&thetasym;"
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t semicolon = text[i] == u'&' ? text.find(u';', i + 1) : std::u16string_view::npos;
    if (semicolon == std::u16string_view::npos || semicolon - i > kLongestReference) {
      out.push_back(text[i++]);
      continue;
    }
    std::u16string_view name = text.substr(i + 1, semicolon - i - 1);
    char32_t code = 0;
    if (name.size() > 1 && name[0] == u'#') {
      for (std::size_t k = 1; k < name.size() && code <= 0x10FFFF; ++k) {
        if (name[k] < u'0' || name[k] > u'9') {
          code = 0;
          break;
        }
        code = code * 10 + (name[k] - u'0');
      }
      if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0;
    } else {
      code = HtmlEntityUnit(name);
    }
    if (code == 0) {
      out.push_back(text[i++]);
      continue;
    }
    out += CodePointToText(code);
    i = semicolon + 1;
  }
  return out;
}

void BuiltinEncode(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::u16string& text = a.text[0];
  switch (a.whole[1]) {
    case kCodeAnsi:
      call.result = Value::String(os::AnsiToText(AnsiBytes(text)), kVtNarrowStr);
      return;
    case kCodeUrl:
      call.result = Value::String(UnitsFromBytes(UrlEncodeBytes(AnsiBytes(text))), kVtNarrowStr);
      return;
    case kCodeUtf8:
      call.result = Value::String(UnitsFromBytes(TextToUtf8(text)), kVtNarrowStr);
      return;
    case kCodeHtml:
      call.result = Value::String(HtmlEncode(text));
      return;
    case kCodeByteArray:
      if (!text.empty()) call.result = ByteArray(AnsiBytes(text));
      return;
    case kCodeByteArrayW: {
      std::string bytes;
      bytes.reserve(text.size() * 2);
      for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
      }
      if (!text.empty()) call.result = ByteArray(bytes);
      return;
    }
    default:
      UnknownCode(call, u"ENCODE: Unknown code: ", u"ENCODE: 不明なコード: ");
  }
}

void BuiltinDecode(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::u16string& text = a.text[0];
  std::string bytes;
  switch (a.whole[1]) {
    case kCodeAnsi:
      call.result = Value::String(text);
      return;
    case kCodeUrl:
      call.result = Value::String(os::AnsiToText(UrlDecodeBytes(AnsiBytes(text))));
      return;
    case kCodeUtf8:
      call.result = Value::String(Utf8ToText(BytesFromText(text)));
      return;
    case kCodeHtml:
      call.result = Value::String(HtmlDecode(text));
      return;
    case kCodeByteArray:
    case kCodeByteArrayW:
      break;
    default:
      UnknownCode(call, u"DECODE: Unknown code: ", u"DECODE: 不明なコード: ");
      return;
  }
  if (!ArrayBytes(a.value[0], &bytes)) {
    if (a.value[0].IsEmpty() || text.empty()) return;  // ENCODE of "" gave nothing
    call.Fail(Msg(u"DECODE: Is not a byte array", u"DECODE: バイト配列ではありません"));
    return;
  }
  if (a.whole[1] == kCodeByteArray) {
    call.result = Value::String(os::AnsiToText(bytes), kVtNarrowStr);
    return;
  }
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  call.result = Value::String(std::move(out));
}

}  // namespace zelk
