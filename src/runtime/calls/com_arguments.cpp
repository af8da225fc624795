// The argument list of a member: omitted arguments, VAR arguments written
// back afterwards, named arguments (NAME := value or NAME = value).
#include "base/text_scan.h"
#include "runtime/calls/call_arguments.h"
#include "runtime/calls/com_internal.h"
#include "runtime/calls/com_values.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"

namespace zelk::com {
namespace {

bool IsNameChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c > 0x7F;
}

// NAME := value or NAME = value: the name (its ":" dropped) and the value text.
bool SplitNamed(std::u16string_view text, std::u16string_view* name, std::u16string_view* value) {
  std::size_t i = 0;
  while (i < text.size() && IsNameChar(text[i])) ++i;
  if (i == 0 || (text[0] >= u'0' && text[0] <= u'9')) return false;
  std::size_t j = i;
  while (j < text.size() && text[j] == u' ') ++j;
  if (j < text.size() && text[j] == u':') ++j;
  if (j >= text.size() || text[j] != u'=') return false;
  if (j + 1 < text.size() && text[j + 1] == u'=') return false;
  *name = text.substr(0, i);
  *value = TrimView(text.substr(j + 1));
  return true;
}

}  // namespace

ArgumentsResult ParseArguments(std::u16string_view text, THensuFmt& context, Arguments* out) {
  out->values.clear();
  out->refTexts.clear();
  if (TrimView(text).empty()) return ArgumentsResult::kOk;
  std::vector<std::u16string_view> parts;
  CutArguments(text, &parts);
  // OBJ.M(1, ) passes one argument.
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  if (parts.size() > kMaxArguments) return ArgumentsResult::kTooMany;

  out->values.resize(parts.size());
  out->refTexts.resize(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (context.interp->run.abortLevel.load(std::memory_order_relaxed) > 0) {
      return ArgumentsResult::kEvaluationFailed;
    }
    os::ComArgument& argument = out->values[i];
    std::u16string_view part = parts[i];
    if (part.empty()) {
      argument.value.type = os::kComError;
      argument.value.integer = os::kComParamNotFound;
      continue;
    }
    if (part.starts_with(u"VAR ")) {
      part = TrimView(part.substr(4));
      argument.byRef = true;
      out->refTexts[i] = part;
    } else {
      std::u16string_view name, valueText;
      if (SplitNamed(part, &name, &valueText)) {
        argument.name.assign(name);
        part = valueText;
      }
    }
    Value value;
    if (!Evaluate(part, context, &value)) return ArgumentsResult::kEvaluationFailed;
    argument.value = ComFromValue(value, true);
  }
  return ArgumentsResult::kOk;
}

void WriteBack(const Arguments& arguments, THensuFmt& context) {
  for (std::size_t i = 0; i < arguments.values.size(); ++i) {
    if (!arguments.values[i].byRef) continue;
    SetValue(context, arguments.refTexts[i], ValueFromCom(arguments.values[i].value));
  }
}

}  // namespace zelk::com
