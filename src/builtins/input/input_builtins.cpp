// The input family registers its branches.
#include "builtins/input/input_functions.h"

namespace zelk {

void AddInputBuiltins(BuiltinBranchTable& table) {
  table.Set(u"MMV", BuiltinMmv);
  table.Set(u"BTN", BuiltinBtn);
  table.Set(u"KBD", BuiltinKbd);
  table.Set(u"SCKEY", BuiltinSckey);
  table.Set(u"MUSCUR", BuiltinMuscur);
  table.Set(u"MOUSEORG", BuiltinMouseorg);
  table.Set(u"LOCKHARD", BuiltinLockhard);
  table.Set(u"LOCKHARDEX", BuiltinLockhardex);
  table.Set(u"SETHOTKEY", BuiltinSethotkey);
  table.Set(u"GETKEYSTATE", BuiltinGetkeystate);
}

}  // namespace zelk
