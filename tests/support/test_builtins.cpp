#include "support/test_builtins.h"

#include "builtins/install.h"

namespace zelk {

void UseBuiltins(Interpreter& interp) {
  InstallBuiltins(interp);
}

}  // namespace zelk
