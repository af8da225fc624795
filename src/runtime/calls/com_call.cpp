// COM automation entry points: member reads in expressions, method calls
// (with a result or as a statement) and property assignments.
#include <string>

#include "base/text_scan.h"
#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/calls/com_internal.h"
#include "runtime/calls/com_values.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

Value ErrValue() {
  return Value::Int(com::kErrValue, kVtInteger);
}

// The result of a failed read or call: reported unless COM_ERR_IGN.
Value Failed(THensuFmt& context, com::ChainResult how, std::u16string_view failure, bool* failed) {
  if (how == com::ChainResult::kEvaluationFailed) {
    if (failed) *failed = true;
    return Value::FailedByte();
  }
  if (com::ComFailureWithText(context, failure) && failed) *failed = true;
  return ErrValue();
}

// "OWNER.MEMBER" with a leading "." taken from WITH: the owner text ("" for
// the WITH subject itself) and the member.
bool SplitTarget(std::u16string_view text, const THensuFmt& context, std::u16string* joined,
                 std::u16string_view* owner, std::u16string_view* member) {
  text = TrimView(text);
  std::size_t dot = com::LastTopLevelDot(text);
  if (dot == 0 && !context.withTarget.IsDispatch()) {
    *joined = context.withTarget.Text();
    *joined += text;
    text = *joined;
    dot = com::LastTopLevelDot(text);
  }
  if (dot == std::u16string_view::npos) return false;
  *owner = TrimView(text.substr(0, dot));
  *member = TrimView(text.substr(dot + 1));
  return true;
}

}  // namespace

Value ComMethodCall(std::u16string_view callText, THensuFmt& context, bool* failed) {
  if (!com::CheckAvailable(context, callText, failed)) return Value::FailedByte();
  MainThreadCalls::BusyScope busy(context.interp->mainCalls, context.recordIndex == 0);
  std::u16string joined;
  std::u16string_view ownerText, member;
  if (!SplitTarget(callText, context, &joined, &ownerText, &member)) {
    return Failed(context, com::ChainResult::kComFailed, callText, failed);
  }
  Value owner;
  std::u16string failure;
  com::ChainResult r = com::ReadOwner(ownerText, context, &owner, &failure);
  if (r != com::ChainResult::kOk) return Failed(context, r, failure, failed);
  if (!owner.IsDispatch() || owner.IsNothing()) {
    return Failed(context, com::ChainResult::kComFailed, ownerText, failed);
  }

  std::u16string_view name = member, arguments;
  const std::size_t open = member.find_first_of(u"([");
  bool emptyCall = false;
  if (open != std::u16string_view::npos) {
    name = TrimView(member.substr(0, open));
    arguments = member.substr(open + 1);
    const char16_t close = member[open] == u'(' ? u')' : u']';
    if (!arguments.empty() && arguments.back() == close) arguments.remove_suffix(1);
    emptyCall = member[open] == u'(' && TrimView(arguments).empty();
  }
  Value result;
  bool evaluationFailed = false;
  bool ok = false;
  if (emptyCall) {
    // NAME() is a method first, and a property only when it is none.
    ok = com::InvokeOn(owner, name, {}, os::ComInvoke::kMethod, context, &result, &failure,
                       &evaluationFailed);
  }
  if (!ok && !evaluationFailed) {
    ok = com::InvokeOn(owner, name, arguments, os::ComInvoke::kMethodOrGet, context, &result,
                       &failure, &evaluationFailed);
  }
  if (!ok) {
    return Failed(
        context,
        evaluationFailed ? com::ChainResult::kEvaluationFailed : com::ChainResult::kComFailed,
        failure, failed);
  }
  return result;
}

Value RunComMember(const CallSite& site, THensuFmt& context, bool* failed) {
  return ComMethodCall(site.text, context, failed);
}

Value ComMemberRead(std::u16string_view text, THensuFmt& context, bool* failed) {
  if (!com::CheckAvailable(context, text, failed)) return Value::FailedByte();
  Value value;
  std::u16string failure;
  com::ChainResult r = com::ReadChain(text, context, &value, &failure);
  if (r != com::ChainResult::kOk) return Failed(context, r, failure, failed);
  return value;
}

void ComMemberCall(std::u16string_view text, THensuFmt& context) {
  bool failed = false;
  ComMethodCall(text, context, &failed);
}

void ComPropertyAssign(std::u16string_view target, const Value& value, THensuFmt& context) {
  if (!com::CheckAvailable(context, target, nullptr)) return;
  MainThreadCalls::BusyScope busy(context.interp->mainCalls, context.recordIndex == 0);
  // OBJ.ITEM(1) = v is the indexed put OBJ.ITEM[1] = v.
  std::u16string text(TrimView(target));
  if (!text.empty() && text.back() == u')') {
    const std::size_t dot = com::LastTopLevelDot(text);
    const std::size_t open = text.find(u'(', dot == std::u16string::npos ? 0 : dot);
    if (open != std::u16string::npos) {
      text.back() = u']';
      text[open] = u'[';
    }
  }
  std::u16string joined;
  std::u16string_view ownerText, member;
  Value owner;
  std::u16string failure;
  if (!SplitTarget(text, context, &joined, &ownerText, &member)) {
    com::ComFailure(context, u"COM_Error");
    return;
  }
  com::ChainResult r = com::ReadOwner(ownerText, context, &owner, &failure);
  if (r == com::ChainResult::kEvaluationFailed) return;
  if (r != com::ChainResult::kOk || !owner.IsDispatch() || owner.IsNothing()) {
    com::ComFailure(context, u"COM_Error");
    return;
  }

  std::u16string_view name = member, indexText;
  const bool indexed = member.ends_with(u']') && member.find(u'[') != std::u16string_view::npos;
  if (indexed) {
    const std::size_t open = member.find(u'[');
    name = TrimView(member.substr(0, open));
    indexText = member.substr(open + 1, member.size() - open - 2);
  }
  com::Arguments arguments;
  switch (com::ParseArguments(indexText, context, &arguments)) {
    case com::ArgumentsResult::kOk:
      break;
    case com::ArgumentsResult::kEvaluationFailed:
      return;
    case com::ArgumentsResult::kTooMany:
      com::ComFailure(context, u"COM_Error");
      return;
  }
  os::ComArgument put;
  put.value = ComFromValue(value, true);
  put.putValue = true;
  arguments.values.insert(arguments.values.begin(), put);
  arguments.refTexts.insert(arguments.refTexts.begin(), std::u16string_view{});
  const os::ComRef object = ComRefOf(owner);

  bool ok = false;
  if (value.IsDispatch() || value.type() == kVtUnknown || value.IsArray()) {
    // Objects and arrays are set by reference where the server allows it.
    ok = os::ComInvokeMember(object, name, os::ComInvoke::kPutRef, arguments.values, nullptr,
                             &failure);
    if (!ok) {
      ok = os::ComInvokeMember(object, name, os::ComInvoke::kPut, arguments.values, nullptr,
                               &failure);
    }
  } else if (value.IsBoolean()) {
    // 1 or 0 first; a server that wants a Boolean refuses it.
    arguments.values[0].value.type = os::kComI4;
    arguments.values[0].value.integer = value.AsBoolean() ? 1 : 0;
    ok =
        os::ComInvokeMember(object, name, os::ComInvoke::kPut, arguments.values, nullptr, &failure);
    if (!ok) {
      arguments.values[0].value = ComFromValue(value, true);
      ok = os::ComInvokeMember(object, name, os::ComInvoke::kPut, arguments.values, nullptr,
                               &failure);
    }
  } else {
    ok =
        os::ComInvokeMember(object, name, os::ComInvoke::kPut, arguments.values, nullptr, &failure);
  }
  if (!ok) {
    com::ComFailure(context, u"COM_Error");
    return;
  }
  com::WriteBack(arguments, context);
}

}  // namespace zelk
