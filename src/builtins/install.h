// The built-in library, installed into an interpreter by the program that
// makes it (zelkrun, the debugger, the test programs).
#pragma once

#include "runtime/calls/builtin_library.h"

namespace zelk {

class Interpreter;

// The library of this process; it holds no state of its own.
const BuiltinLibrary& Builtins();
void InstallBuiltins(Interpreter& interp);

}  // namespace zelk
