// The block statements the executor hands on: IFB, the loops, SELECT and TRY.
// Each handler is given the context with curOffset on the head row, runs the
// rows of the chosen part through ExecuteRow, and leaves curOffset on the
// block's last row; the executor then steps past it.
#pragma once

#include "runtime/context.h"

namespace zelk {

void RunIfb(THensuFmt& context);
void RunSelect(THensuFmt& context);
void RunForTo(THensuFmt& context);
void RunForIn(THensuFmt& context);
void RunWhile(THensuFmt& context);
void RunRepeat(THensuFmt& context);
// TRY (26), FINALLY (27) or EXCEPT (28) reached in normal flow.
void RunTryRow(THensuFmt& context, int kind);

// BREAK and CONTINUE leaving a TRY with FINALLY: its FINALLY part runs first.
void LeaveTryForLoop(THensuFmt& context);
// EXIT, EXITEXIT and the abort path: every open FINALLY part, innermost first.
void RunFinallyParts(THensuFmt& context);
// An error reported with TRY handling allowed: true when an EXCEPT part of
// this context took it.
bool HandleErrorInTry(THensuFmt& context);

}  // namespace zelk
