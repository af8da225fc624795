// CREATEOLEOBJ, GETACTIVEOLEOBJ and GETOLEITEM: objects from a program
// identifier and the members of a collection as the ALL_OLE_ITEM list.
#include <vector>

#include "builtins/builtin_family.h"
#include "runtime/calls/com_objects.h"
#include "runtime/expr/evaluate.h"

namespace zelk {
namespace {

constexpr std::u16string_view kOleItems = u"ALL_OLE_ITEM";

void CreateOleObj(BuiltinCall& call) {
  call.result = CreateComObject(call.args.Text(0), false, call.context, &call.failed);
}

// The running object registered under the identifier.
void GetActiveOleObj(BuiltinCall& call) {
  call.result = CreateComObject(call.args.Text(0), true, call.context, &call.failed);
}

// GETOLEITEM(collection): the count, -1 when the collection cannot be read.
void GetOleItem(BuiltinCall& call) {
  Value object;
  if (!Evaluate(call.args.text[0], call.context, &object)) {
    call.failed = true;
    return;
  }
  std::vector<Value> items;
  if (!EnumerateComCollection(object, call.context, false, &items, &call.failed)) {
    call.result = Value::Int(-1);
    return;
  }
  ClearResult(kOleItems, call.context);
  int count = 0;
  for (const Value& item : items) count = AppendResult(kOleItems, item, call.context);
  call.result = Value::Int(count);
}

}  // namespace

void AddComBuiltins(BuiltinBranchTable& table) {
  table.Set(u"CREATEOLEOBJ", CreateOleObj);
  table.Set(u"GETACTIVEOLEOBJ", GetActiveOleObj);
  table.Set(u"GETOLEITEM", GetOleItem);
}

}  // namespace zelk
