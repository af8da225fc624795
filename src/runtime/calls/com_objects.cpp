#include "runtime/calls/com_objects.h"

#include <string>

#include "foundation/messages.h"
#include "runtime/calls/com_internal.h"
#include "runtime/calls/com_values.h"
#include "runtime/core/interpreter.h"

namespace zelk {

Value CreateComObject(std::u16string_view progId, bool active, THensuFmt& context, bool* failed) {
  if (!com::CheckAvailable(context, progId, failed)) return Value::FailedByte();
  os::ComRef object;
  std::u16string failure;
  const bool ok = active ? os::ComGetActiveObject(progId, &object, &failure)
                         : os::ComCreateObject(progId, &object, &failure);
  if (!ok) {
    if (com::ComFailureWithText(context, failure) && failed) *failed = true;
    return Value::Int(com::kErrValue, kVtInteger);
  }
  return ObjectValue(std::move(object));
}

bool EnumerateComCollection(const Value& object, THensuFmt& context, bool quiet,
                            std::vector<Value>* items, bool* failed) {
  if (!com::CheckAvailable(context, u"FOR IN", failed)) return false;
  if (!object.IsDispatch() || object.IsNothing()) {
    context.interp->RecordOf(context).comErrFlag = 1;
    if (!quiet) {
      std::u16string failure = Msg(u"Not an object", u"オブジェクトではありません");
      if (com::ComFailureWithText(context, failure) && failed) *failed = true;
    }
    return false;
  }
  if (com::EnumerateObject(object, context, quiet, items)) return true;
  if (!quiet && !com::ComErrorsIgnored(context) && failed) *failed = true;
  return false;
}

}  // namespace zelk
