// The items of a COM collection (its enumerator), for FOR-IN, GETOLEITEM
// and LENGTH.
#include "runtime/calls/com_internal.h"
#include "runtime/calls/com_values.h"
#include "runtime/core/interpreter.h"

namespace zelk::com {

bool EnumerateObject(const Value& object, THensuFmt& context, bool quiet,
                     std::vector<Value>* items) {
  std::vector<os::ComValue> raw;
  std::u16string failure;
  if (!os::ComEnumerate(ComRefOf(object), &raw, &failure)) {
    if (quiet) {
      context.interp->RecordOf(context).comErrFlag = 1;
    } else {
      ComFailureWithText(context, failure);
    }
    return false;
  }
  items->reserve(items->size() + raw.size());
  for (const os::ComValue& item : raw) items->push_back(ValueFromCom(item));
  return true;
}

}  // namespace zelk::com
