// The pre-run check: before anything runs, every definition is walked row by
// row without executing it. Names must be defined before they are read,
// assignment targets must be valid, loops, WITH blocks and calls must have
// their proper shape. The first error (or the first syntax-error marker that
// preprocessing left) is reported with its file and line, and the run does not
// start.
#pragma once

#include <string_view>

#include "runtime/calls/calls.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

class Interpreter;

// Walks every entry of the function table in registration order while
// interp.run.checkPhase is set. True when an error was reported.
bool CheckDefinitions(Interpreter& interp);

// The tests the evaluator uses in check mode, and the statement checks.
// Each reports its own error through ReportError; after one, every check
// returns at once.

// A name read in an expression: the placeholder value (Byte 1, or the value
// of a built-in constant or special name).
Value CheckName(std::u16string_view name, THensuFmt& context);
// An assignment target. clearsHashTable: the value assigned is HASH_REMOVEALL,
// which may empty a hash table named without an index.
void CheckTarget(std::u16string_view target, THensuFmt& context, bool clearsHashTable);
// A declaration by DIM or HASHTBL (hashTable): the name must be new and well
// formed; it is then declared in the check context.
void CheckNew(std::u16string_view declaration, THensuFmt& context, bool hashTable);
// One call: call statements, calls inside expressions, THREAD starts and CALL
// rows. Built-in names go on to the built-in library's own check.
void CheckCall(std::u16string_view callText, THensuFmt& context, CallMode mode);
// The argument count of a call to the user function or procedure headed at
// header (a CALL of an included file is not counted), and the shape of its
// parameter list. calleeModule: the module the function belongs to.
void CheckUserCall(std::u16string_view name, int argumentCount, int header, CallMode mode,
                   THensuFmt& context, std::u16string_view calleeModule = {});

}  // namespace zelk
