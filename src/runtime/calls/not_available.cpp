#include "runtime/calls/not_available.h"

#include <string>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "runtime/core/report_error.h"

namespace zelk {

void ReportNotAvailable(THensuFmt& context, std::u16string_view what, std::u16string_view text,
                        bool* failed) {
  std::u16string message(what);
  message += Msg(u" is not available yet: ", u" はまだ使えません: ");
  message += Trim(text);
  ReportError(message, context);
  if (failed) *failed = true;
}

}  // namespace zelk
