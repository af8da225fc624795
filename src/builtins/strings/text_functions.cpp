// Slicing, trimming, cutting tokens and single characters: COPY, LENGTHS,
// TRIM, TOKEN, CHR, ASC and STRCONV.
#include "base/code_points.h"
#include "base/text_scan.h"
#include "builtins/strings/string_functions.h"
#include "foundation/case_mapping.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

bool IsWideBlank(char16_t c) {
  return c <= u' ' || c == u'\u00A0' || (c >= u'\u2000' && c <= u'\u200B') ||
         (c >= u'\u2029' && c <= u'\u202F') || c == u'\u205F' || c == u'\u3000' || c == u'\uFEFF';
}

}  // namespace

std::u16string TrimText(std::u16string_view text, bool wide) {
  auto blank = [wide](char16_t c) { return wide ? IsWideBlank(c) : c <= u' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

void BuiltinCopy(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::u16string& text = a.text[0];
  std::int64_t start = a.whole[1] < 1 ? 1 : a.whole[1];
  std::int64_t count = a.whole[2];
  const auto units = static_cast<std::int64_t>(text.size());
  if (a.count < 3 || count > units) count = units;
  if (start > units || count < 1) {
    call.result = Value::String(u"");
    return;
  }
  call.result =
      Value::String(CopyCodePoints(text, static_cast<int>(start), static_cast<int>(count)));
}

void BuiltinLengthS(BuiltinCall& call) {
  call.result = Value::Int(static_cast<std::int64_t>(call.args.text[0].size()));
}

void BuiltinTrim(BuiltinCall& call) {
  call.result = Value::String(TrimText(call.args.text[0], call.args.whole[1] != 0));
}

// TOKEN(delims, var, collapse, quoted): the text of var up to the first
// delimiter is the result; var keeps the rest.
void BuiltinToken(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::u16string& delimiters = a.text[0];
  const std::u16string name = Trim(a.text[1]);
  const bool collapse = a.whole[2] != 0;
  const bool quoted = a.whole[3] != 0;
  call.context.lookupFailed = 0;
  Value current = GetValue(call.context, name);
  if (call.context.lookupFailed || call.context.interp->run.errorFlag) {
    call.failed = true;
    return;
  }
  std::u16string rest = current.Text();
  char16_t found = 0;
  std::u16string token = CutTokenAt(rest, delimiters, {.quotes = quoted}, &found);
  if (collapse) {
    std::size_t skip = 0;
    while (skip < rest.size() && delimiters.find(rest[skip]) != std::u16string::npos &&
           !(quoted && rest[skip] == u'"')) {
      ++skip;
    }
    rest.erase(0, skip);
  }
  if (found == 0 && rest.empty()) {
    SetValue(call.context, name, Value());
  } else {
    SetValue(call.context, name, Value::String(std::move(rest)));
  }
  call.result = Value::String(std::move(token));
}

void BuiltinChr(BuiltinCall& call) {
  std::int64_t code = call.args.whole[0];
  if (code < 0 || code > 0x10FFFF) {
    call.result = Value::String(u"");
  } else if (code > 0xFFFF) {
    call.result = Value::String(CodePointToText(static_cast<char32_t>(code)));
  } else {
    call.result = Value::String(std::u16string(1, static_cast<char16_t>(code)));
  }
}

void BuiltinAsc(BuiltinCall& call) {
  call.result = Value::Int(FirstCodePoint(call.args.text[0]));
}

void BuiltinStrConv(BuiltinCall& call) {
  call.result =
      Value::String(MapString(call.args.text[0], static_cast<unsigned>(call.args.whole[1])));
}

}  // namespace zelk
