// The one way errors reach the user: recorded for TRY_ERRMSG/TRY_ERRLINE,
// handed to an open TRY, or shown with file, line and statement, logged, and
// the run stopped.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/context.h"

namespace zelk {

// force: report even when errorFlag is set; allowTry: an open TRY may take it.
// where: the error's location when it happened elsewhere (inside a call);
// null for the context's current row.
void ReportError(std::u16string_view message, THensuFmt& context, bool force = false,
                 bool allowTry = true, const std::u16string* where = nullptr);
// An error that ReportError left for the row to unwind (deep in the stack,
// with a TRY of the context open) is reported now, at the row.
void ReportDeferredError(THensuFmt& context);
// For errors after which the script may go on: the user is asked whether to abort.
void ReportAndAsk(std::u16string_view message, THensuFmt& context);
// "PATH: at line N: statement" for the context's current row (no path in the
// main file); a context without rows gives the front end's current statement.
std::u16string ErrorLocation(THensuFmt& context);
// An error of preprocessing that belongs to no row: shown with the statement
// the front end was examining.
void ReportFrontEndError(Interpreter& interp, std::u16string_view message);
// The text the dialog shows: "SyntaxError-25" loses its number (the log keeps it).
std::u16string HideSyntaxErrorNumber(std::u16string text);

}  // namespace zelk
