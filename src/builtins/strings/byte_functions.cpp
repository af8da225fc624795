// The byte-oriented forms, which work on the ANSI conversion of the text:
// LENGTHB, COPYB, POSB, ASCB, CHRB and ISUNICODE.
#include "builtins/strings/string_functions.h"
#include "platform/platform.h"

namespace zelk {
namespace {

std::string AnsiBytes(std::u16string_view text) {
  std::string bytes;
  os::TextToAnsi(text, &bytes);  // characters the code page lacks become its substitute
  return bytes;
}

// COPYB and CHRB: an ANSI string value, which assignments keep as it is.
void SetAnsiResult(BuiltinCall& call, std::string_view bytes) {
  call.result = Value::String(os::AnsiToText(bytes), kVtNarrowStr);
}

}  // namespace

void BuiltinIsUnicode(BuiltinCall& call) {
  const std::u16string& text = call.args.text[0];
  std::string bytes;
  bool exact = os::TextToAnsi(text, &bytes) && os::AnsiToText(bytes) == text;
  call.result = Value::Boolean(!exact);
}

void BuiltinLengthB(BuiltinCall& call) {
  call.result = Value::Int(static_cast<std::int64_t>(AnsiBytes(call.args.text[0]).size()));
}

void BuiltinCopyB(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  std::string bytes = AnsiBytes(a.text[0]);
  const auto size = static_cast<std::int64_t>(bytes.size());
  std::int64_t start = a.whole[1] < 1 ? 1 : a.whole[1];
  std::int64_t count = a.count < 3 ? size : a.whole[2];
  if (start > size || count < 1) {
    SetAnsiResult(call, {});
    return;
  }
  if (count > size - start + 1) count = size - start + 1;
  SetAnsiResult(call, std::string_view(bytes).substr(static_cast<std::size_t>(start - 1),
                                                     static_cast<std::size_t>(count)));
}

void BuiltinPosB(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  MatchRule rule = MatchRuleOf(call.context);
  // Bytes held one per code unit, so that the search works on bytes.
  auto units = [rule](std::u16string_view text) {
    std::string bytes = AnsiBytes(ForMatch(text, rule));
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return out;
  };
  std::size_t p = FindNth(units(a.text[0]), units(a.text[1]), a.whole[2]);
  call.result = Value::Int(static_cast<std::int64_t>(p));
}

void BuiltinAscB(BuiltinCall& call) {
  std::string bytes = AnsiBytes(call.args.text[0]);
  call.result = Value::Int(bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]));
}

void BuiltinChrB(BuiltinCall& call) {
  char byte = static_cast<char>(call.args.whole[0] & 0xFF);
  SetAnsiResult(call, std::string_view(&byte, 1));
}

}  // namespace zelk
