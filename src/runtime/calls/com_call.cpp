// COM automation: member reads, property assignments, member calls and
// methods with a result. Each reports that it cannot run yet.
#include "foundation/messages.h"
#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/calls/not_available.h"

namespace zelk {
namespace {

const char16_t* ComAutomation() {
  return Msg(u"COM automation", u"COM オートメーション");
}

}  // namespace

Value ComMethodCall(std::u16string_view callText, THensuFmt& context, bool* failed) {
  ReportNotAvailable(context, ComAutomation(), callText, failed);
  return Value::FailedByte();
}

Value RunComMember(const CallSite& site, THensuFmt& context, bool* failed) {
  return ComMethodCall(site.text, context, failed);
}

Value ComMemberRead(std::u16string_view text, THensuFmt& context, bool* failed) {
  ReportNotAvailable(context, ComAutomation(), text, failed);
  return Value::FailedByte();
}

void ComPropertyAssign(std::u16string_view target, const Value&, THensuFmt& context) {
  ReportNotAvailable(context, ComAutomation(), target, nullptr);
}

void ComMemberCall(std::u16string_view text, THensuFmt& context) {
  ReportNotAvailable(context, ComAutomation(), text, nullptr);
}

}  // namespace zelk
