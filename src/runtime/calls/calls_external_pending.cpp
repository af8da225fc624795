// Stand-ins for what the call dispatcher hands to components that come later
// (DLL calls, COM automation, script threads): each
// reports clearly that it cannot run yet, so that a script never silently
// skips one.
#include <string>

#include "base/text_scan.h"
#include "foundation/hashed_str_list.h"
#include "foundation/messages.h"
#include "runtime/calls/calls.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {
namespace {

void NotAvailable(THensuFmt& context, std::u16string_view what, std::u16string_view text,
                  bool* failed) {
  std::u16string message(what);
  message += Msg(u" is not available yet: ", u" はまだ使えません: ");
  message += Trim(text);
  ReportError(message, context);
  if (failed) *failed = true;
}

}  // namespace

int FindDllDeclaration(const THensuFmt& context, std::u16string_view name) {
  const TUHashedStrList& names = context.interp->declared.dllNames;
  if (!context.moduleName.empty() && name.find(u'.') == std::u16string_view::npos) {
    int qualified = names.IndexOf(context.moduleName + u"." + std::u16string(name));
    if (qualified >= 0) return qualified;
  }
  return names.IndexOf(name);
}

Value CallDllFunction(int declaration, std::span<const std::u16string_view>, std::span<Value>,
                      THensuFmt& context, bool* failed) {
  NotAvailable(context, Msg(u"Calling a DLL function", u"DLL 関数の呼び出し"),
               context.interp->declared.dllNames.KeyAt(declaration), failed);
  return Value::FailedByte();
}

Value ComMethodCall(std::u16string_view callText, THensuFmt& context, bool* failed) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), callText, failed);
  return Value::FailedByte();
}

bool ScriptThreadsAvailable(std::u16string_view callText, THensuFmt& context) {
  NotAvailable(context, u"THREAD", callText, nullptr);
  return false;
}

Value StartScriptThread(std::unique_ptr<THensuFmt>, THensuFmt& caller, bool* failed) {
  NotAvailable(caller, u"THREAD", u"", failed);
  return Value::FailedByte();
}

Value ComMemberRead(std::u16string_view text, THensuFmt& context, bool* failed) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), text, failed);
  return Value::FailedByte();
}

void ComPropertyAssign(std::u16string_view target, const Value&, THensuFmt& context) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), target, nullptr);
}

void ComMemberCall(std::u16string_view text, THensuFmt& context) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), text, nullptr);
}

}  // namespace zelk
