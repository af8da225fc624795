// The block statements the executor hands on: IFB, the loops, SELECT and TRY.
// Each handler is given the context with curOffset on the head row, runs the
// rows of the chosen part through ExecuteRow, and leaves curOffset on the
// block's last row; the executor then steps past it.
#pragma once

#include "runtime/core/context.h"

namespace zelk {

struct ScriptOptions;

namespace blocks {
// A condition's truth: its value does not compare equal to 0.
bool IsTrue(const Value& value, const ScriptOptions& options);
}  // namespace blocks

void RunIfb(THensuFmt& context);
void RunSelect(THensuFmt& context);
void RunForTo(THensuFmt& context);
void RunForIn(THensuFmt& context);
void RunWhile(THensuFmt& context);
void RunRepeat(THensuFmt& context);
// TRY (26), FINALLY (27) or EXCEPT (28) reached in normal flow.
void RunTryRow(THensuFmt& context, int kind);

// BREAK n / CONTINUE n at curOffset, before the executor sets the count:
// every TRY opened inside the loop being left or continued is left, running
// its FINALLY part (innermost first). A jump with no loop to take it, or a
// count beyond the loops around it, is reported here.
void LeaveTryForLoop(THensuFmt& context);
// EXIT, EXITEXIT and the abort path: every open FINALLY part, innermost first.
void RunFinallyParts(THensuFmt& context);
// An error reported with TRY handling allowed: runs the FINALLY and EXCEPT
// parts of this context's open TRY blocks, innermost first, until an EXCEPT
// part takes it. True when it was taken (or a part stopped the body); false
// when it is still to be shown.
bool HandleErrorInTry(THensuFmt& context);

}  // namespace zelk
