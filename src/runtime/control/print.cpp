// PRINT: the text form of a value and the print-line buffer behind the print window.
#include <exception>
#include <mutex>
#include <string>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "platform/dialogs.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"

namespace zelk {
namespace {

constexpr std::size_t kDisplayLength = 1024;

std::u16string Decimal(std::uintptr_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string FormatPrintValue(const Value& value, bool forDisplay) {
  std::u16string text;
  switch (value.type()) {
    case kVtEmpty:
      break;
    case kVtDispatch:
      text = value.IsNothing() ? u"NOTHING" : Decimal(value.AsObject()->Identity());
      break;
    case kVtNull:
      text = u"NULL";
      break;
    case kVtError:
      text = u"ERROR";
      break;
    default:
      text = value.Text();
      break;
  }
  if (forDisplay) {
    if (text.size() > kDisplayLength) {
      text.resize(kDisplayLength);
      text += u"...";
    }
    if (text.find_first_of(u"\r\t") != std::u16string::npos) {
      text = ReplaceAll(text, u"\r\n", u"<#CR>");
      text = ReplaceAll(text, u"\t", u"<#TAB>");
    }
  }
  return text;
}

void PrintLine(Interpreter& interp, const std::u16string& text) {
  std::lock_guard lock(interp.hostLock);
  interp.host().PrintLine(text);
  interp.print.lines.push_back(text);
  ++interp.print.windowLines;
  os::AppendPrintWindow(text);
  LogLine(text);
  const std::size_t limit = static_cast<std::size_t>(interp.PrintLineLimit());
  while (interp.print.lines.size() > limit) interp.print.lines.pop_front();
  // The window is trimmed in batches of a tenth of the limit, not per line.
  if (static_cast<std::size_t>(interp.print.windowLines) > limit + limit / 10) {
    interp.host().ReplacePrintWindow(interp.print.lines);
    os::ReplacePrintWindowText({interp.print.lines.begin(), interp.print.lines.end()});
    interp.print.windowLines = static_cast<int>(interp.print.lines.size());
  }
}

void ExecutePrint(THensuFmt& context, std::u16string_view text) {
  Interpreter& interp = *context.interp;
  Value value;
  if (!text.empty() && !Evaluate(text, context, &value)) return;
  if (interp.run.abortLevel > 0 || interp.run.errorFlag != 0) return;
  try {
    // An array has no text form; printing nothing would hide the mistake.
    if (value.IsArray()) {
      ReportError(Msg(u"PRINT: an array cannot be printed as text",
                      u"PRINT: 配列は文字として表示できません"),
                  context);
      return;
    }
    std::u16string line = FormatPrintValue(value, false);
    // Script threads print through the same lock as the main thread; a
    // thread without a live slot prints nothing.
    if (context.recordIndex == 0 || interp.threads.Own(context) != nullptr) {
      PrintLine(interp, line);
    }
  } catch (const std::exception& e) {
    ReportError(Utf8ToText(e.what()), context);
  }
}

}  // namespace zelk
