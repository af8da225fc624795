// Stand-in for the block statements until they are built: each block head
// reports that it cannot run yet, and with no TRY ever open the TRY hooks have
// nothing to do.
#include <string>

#include "foundation/messages.h"
#include "runtime/blocks.h"
#include "runtime/report_error.h"

namespace zelk {
namespace {

void NotAvailable(THensuFmt& context, const char16_t* block) {
  ReportError(std::u16string(block) + Msg(u" is not available yet", u" はまだ使えません"), context);
}

}  // namespace

void RunIfb(THensuFmt& context) {
  NotAvailable(context, u"IFB-ENDIF");
}
void RunSelect(THensuFmt& context) {
  NotAvailable(context, u"SELECT-SELEND");
}
void RunForTo(THensuFmt& context) {
  NotAvailable(context, u"FOR-NEXT");
}
void RunForIn(THensuFmt& context) {
  NotAvailable(context, u"FOR-NEXT");
}
void RunWhile(THensuFmt& context) {
  NotAvailable(context, u"WHILE-WEND");
}
void RunRepeat(THensuFmt& context) {
  NotAvailable(context, u"REPEAT-UNTIL");
}
void RunTryRow(THensuFmt& context, int) {
  NotAvailable(context, u"TRY-ENDTRY");
}

void LeaveTryForLoop(THensuFmt&) {}
void RunFinallyParts(THensuFmt&) {}
bool HandleErrorInTry(THensuFmt&) {
  return false;
}

}  // namespace zelk
