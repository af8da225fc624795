// Member chains: the head (a variable, an element, CREATEOLEOBJ[...] and
// its kin, or the WITH subject) and each member read in turn.
#include <string>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "runtime/calls/com_internal.h"
#include "runtime/calls/com_values.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"

namespace zelk::com {
namespace {

// CREATEOLEOBJ, GETACTIVEOLEOBJ and IEGETFRAME come with their argument
// parentheses written as brackets when a member follows.
bool IsBracketedCall(std::u16string_view first) {
  for (std::u16string_view name : {u"CREATEOLEOBJ[", u"GETACTIVEOLEOBJ[", u"IEGETFRAME["}) {
    if (first.starts_with(name)) return true;
  }
  return false;
}

bool IsModuleHead(const THensuFmt& context, std::u16string_view first) {
  if (!context.moduleName.empty() && (first == u"THIS" || first == u"GLOBAL")) return true;
  return context.interp->definitions.moduleNames.IndexOf(first) >= 0;
}

std::u16string NotAnObject(std::u16string_view text) {
  std::u16string failure = Msg(u"Not an object: ", u"オブジェクトではありません: ");
  failure += text;
  return failure;
}

// The member's name and the text inside its brackets (or parentheses).
void SplitMember(std::u16string_view member, std::u16string_view* name,
                 std::u16string_view* arguments) {
  std::size_t open = member.find_first_of(u"[(");
  if (open == std::u16string_view::npos) {
    *name = member;
    *arguments = {};
    return;
  }
  *name = TrimView(member.substr(0, open));
  std::u16string_view rest = member.substr(open + 1);
  const char16_t close = member[open] == u'[' ? u']' : u')';
  std::size_t end = rest.rfind(close);
  *arguments = end == std::u16string_view::npos ? rest : rest.substr(0, end);
}

ChainResult Head(std::u16string_view first, THensuFmt& context, Value* out) {
  if (IsBracketedCall(first)) {
    std::u16string call(first);
    call[call.find(u'[')] = u'(';
    std::size_t close = call.rfind(u']');
    if (close != std::u16string::npos) call[close] = u')';
    return Evaluate(call, context, out) ? ChainResult::kOk : ChainResult::kEvaluationFailed;
  }
  if (first.find(u'(') != std::u16string_view::npos) {
    return Evaluate(first, context, out) ? ChainResult::kOk : ChainResult::kEvaluationFailed;
  }
  context.lookupFailed = 0;
  *out = GetValue(context, first);
  return context.lookupFailed ? ChainResult::kEvaluationFailed : ChainResult::kOk;
}

ChainResult ReadMembers(Value current, const std::vector<std::u16string_view>& parts,
                        std::size_t from, THensuFmt& context, Value* out, std::u16string* failure) {
  for (std::size_t i = from; i < parts.size(); ++i) {
    if (!current.IsDispatch() || current.IsNothing()) {
      *failure = NotAnObject(i == 0 ? parts[0] : parts[i - 1]);
      return ChainResult::kComFailed;
    }
    std::u16string_view name, arguments;
    SplitMember(parts[i], &name, &arguments);
    Value next;
    bool evaluationFailed = false;
    if (!InvokeOn(current, name, arguments, os::ComInvoke::kMethodOrGet, context, &next, failure,
                  &evaluationFailed)) {
      return evaluationFailed ? ChainResult::kEvaluationFailed : ChainResult::kComFailed;
    }
    current = std::move(next);
  }
  *out = std::move(current);
  return ChainResult::kOk;
}

}  // namespace

ChainResult ReadChain(std::u16string_view text, THensuFmt& context, Value* out,
                      std::u16string* failure) {
  text = TrimView(text);
  std::u16string joined;
  if (text.starts_with(u'.')) {
    if (context.withTarget.IsDispatch()) {
      return ReadMembers(context.withTarget, SplitMembers(text.substr(1)), 0, context, out,
                         failure);
    }
    joined = context.withTarget.Text();
    joined += text;
    text = joined;
  }
  const std::vector<std::u16string_view> parts = SplitMembers(text);
  Value head;
  std::size_t from = 1;
  ChainResult r;
  if (parts.size() > 1 && IsModuleHead(context, parts[0])) {
    // A module's member, read as a variable; COM starts after it.
    std::u16string_view name = text.substr(0, parts[1].data() + parts[1].size() - text.data());
    r = Head(name, context, &head);
    from = 2;
  } else {
    r = Head(parts[0], context, &head);
  }
  if (r != ChainResult::kOk) return r;
  return ReadMembers(std::move(head), parts, from, context, out, failure);
}

ChainResult ReadOwner(std::u16string_view text, THensuFmt& context, Value* out,
                      std::u16string* failure) {
  if (TrimView(text).empty()) {
    if (!context.withTarget.IsDispatch() || context.withTarget.IsNothing()) {
      *failure = NotAnObject(u"WITH");
      return ChainResult::kComFailed;
    }
    *out = context.withTarget;
    return ChainResult::kOk;
  }
  return ReadChain(text, context, out, failure);
}

bool InvokeOn(const Value& object, std::u16string_view member, std::u16string_view argumentText,
              os::ComInvoke kind, THensuFmt& context, Value* result, std::u16string* failure,
              bool* evaluationFailed) {
  *evaluationFailed = false;
  Arguments arguments;
  switch (ParseArguments(argumentText, context, &arguments)) {
    case ArgumentsResult::kOk:
      break;
    case ArgumentsResult::kEvaluationFailed:
      *evaluationFailed = true;
      return false;
    case ArgumentsResult::kTooMany:
      *failure = Msg(u"More than 16 arguments: ", u"引数が 16 個を超えています: ");
      *failure += member;
      return false;
  }
  os::ComValue answer;
  if (!os::ComInvokeMember(ComRefOf(object), member, kind, arguments.values, &answer, failure)) {
    return false;
  }
  if (result) *result = ValueFromCom(answer);
  WriteBack(arguments, context);
  return true;
}

}  // namespace zelk::com
