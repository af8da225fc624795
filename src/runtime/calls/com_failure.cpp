// COM failures: COM_ERR_FLG is set by every one; COM_ERR_IGN keeps them from
// being reported. Also the report of hosts without automation.
#include <string>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "platform/com_automation.h"
#include "runtime/calls/com_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk::com {

std::size_t LastTopLevelDot(std::u16string_view text) {
  std::size_t last = std::u16string_view::npos;
  ForEachTopLevel(text, u'.', [&](std::size_t i) {
    last = i;
    return true;
  });
  return last;
}

std::vector<std::u16string_view> SplitMembers(std::u16string_view text) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  ForEachTopLevel(text, u'.', [&](std::size_t i) {
    parts.push_back(TrimView(text.substr(start, i - start)));
    start = i + 1;
    return true;
  });
  parts.push_back(TrimView(text.substr(start)));
  return parts;
}

bool CheckAvailable(THensuFmt& context, std::u16string_view text, bool* failed) {
  if (os::ComAvailable()) return true;
  std::u16string message = Msg(u"COM automation is not available on this platform: ",
                               u"COM オートメーションはこのプラットフォームでは使えません: ");
  message += TrimView(text);
  ReportError(message, context);
  if (failed) *failed = true;
  return false;
}

bool ComErrorsIgnored(const THensuFmt& context) {
  return context.interp->RecordOf(context).comErrIgnore != 0;
}

bool ComFailure(THensuFmt& context, std::u16string_view message) {
  ThreadRecord& record = context.interp->RecordOf(context);
  record.comErrFlag = 1;
  if (record.comErrIgnore) return false;
  ReportError(message, context);
  return true;
}

bool ComFailureWithText(THensuFmt& context, std::u16string_view failure) {
  std::u16string message = u"COM_Error:";
  message += failure;
  return ComFailure(context, message);
}

}  // namespace zelk::com
