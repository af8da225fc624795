// The item family's branches: CLKITEM, CHKBTN, GETSLIDER, SETSLIDER.
#pragma once

#include "builtins/builtin_family.h"

namespace zelk {

void BuiltinClkitem(BuiltinCall& call);
void BuiltinChkbtn(BuiltinCall& call);
void BuiltinGetslider(BuiltinCall& call);
void BuiltinSetslider(BuiltinCall& call);

}  // namespace zelk
