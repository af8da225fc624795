#include "builtins/builtin_family.h"

namespace zelk {
void AddStringBuiltins(BuiltinBranchTable&) {}
}  // namespace zelk
