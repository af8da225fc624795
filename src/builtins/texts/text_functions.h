// The control text family: SENDSTR, GETSTR, GETITEM, GETSLCTLST, POSACC.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builtins/builtin_family.h"

namespace zelk {

void BuiltinSendstr(BuiltinCall& call);
void BuiltinGetstr(BuiltinCall& call);
void BuiltinGetitem(BuiltinCall& call);
void BuiltinGetslctlst(BuiltinCall& call);
void BuiltinPosacc(BuiltinCall& call);

// GETITEM's kinds in the order their texts are listed, and what each keeps:
// captions normalised, empty entries dropped.
struct ItemKindStep {
  std::uint32_t bit;
  bool normalize;
  bool dropEmpty;
};
const std::vector<ItemKindStep>& ItemKindOrder();
// The accessibility kinds of GETITEM: ITM_ACCCLK, ITM_ACCTXT, ITM_ACCEDIT.
inline constexpr std::uint32_t kAccessibleItemKinds = 0x400000 | 0x800000 | 0x1000000;

// What one item text becomes in ALL_ITEM_LIST; false when it is left out.
bool ItemForList(const ItemKindStep& step, std::u16string& text);

}  // namespace zelk
