#include "builtins/builtin_family.h"

namespace zelk {
void AddArrayBuiltins(BuiltinBranchTable&) {}
}  // namespace zelk
