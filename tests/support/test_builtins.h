// The built-in library for tests below its layer: an interpreter gets it as
// the programs give it, without the test seeing the built-ins' headers.
#pragma once

namespace zelk {

class Interpreter;

void UseBuiltins(Interpreter& interp);

}  // namespace zelk
