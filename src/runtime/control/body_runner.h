// The body runner: runs the rows of one procedure body in its context, row
// by row through the executor, until the body ends or the run stops; and the
// bound on nested calls that keeps endless recursion from exhausting the stack.
#pragma once

#include <span>
#include <string>

#include "runtime/core/context.h"

namespace zelk {

class Interpreter;

// Rows from the header row up to, not including, the body's FEND: a view into
// the statement table.
std::span<const std::u16string> BodyRows(const Interpreter& interp, int headerIndex);

// Runs the rows from curOffset 1 while the body, the run and the context let
// it go on; then closes the body (curOffset at its end, pending EXIT, BREAK and
// CONTINUE cleared) and calls the debug hook with at-end set.
void RunBody(THensuFmt& context);

// The slow half of the per-row test (DebugWatch::Wants): the main thread runs
// what script threads wait for, then the debugger's hook runs when it wants
// the row (and hook is true).
void RowHook(THensuFmt& context, bool atEnd, bool hook = true);

// The message for a call the stack has no room left for. Recursion has no
// other bound: its depth follows the stack of the thread.
std::u16string TooDeepMessage(std::u16string_view name);

}  // namespace zelk
