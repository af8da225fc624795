// Stand-in for the call dispatcher and COM automation until they are built:
// every call reports clearly that it cannot run yet, so that a script never
// silently skips one.
#include <string>

#include "foundation/messages.h"
#include "foundation/text_scan.h"
#include "runtime/calls.h"
#include "runtime/report_error.h"

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

Value DispatchCall(std::u16string_view callText, THensuFmt& context, bool asThread, bool asCall,
                   bool* failed) {
  const char16_t* what = asThread ? u"THREAD"
                         : asCall ? Msg(u"CALL of a script file", u"スクリプトファイルの CALL")
                                  : Msg(u"Calling a function", u"関数の呼び出し");
  NotAvailable(context, what, callText, failed);
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
