// The statement executor: runs one row of a body in its context and moves the
// context past it.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// Runs the row at baseIndex + curOffset and advances curOffset (block
// handlers move it past their block first). Returns without running anything
// while the context or the run is stopping.
void ExecuteRow(THensuFmt& context);
// The text PRINT shows; forDisplay: the variable views' short form (long
// strings cut, CR LF and TAB written as <#CR> and <#TAB>).
std::u16string FormatPrintValue(const Value& value, bool forDisplay);
// Appends a line to the print window, the print-line buffer and the script log.
void PrintLine(Interpreter& interp, const std::u16string& text);
// The PRINT statement: its text evaluated, formatted and printed.
void ExecutePrint(THensuFmt& context, std::u16string_view text);

}  // namespace zelk
