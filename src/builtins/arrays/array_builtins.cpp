#include "builtins/arrays/array_access.h"
#include "builtins/arrays/array_functions.h"

namespace zelk {

bool arrays::OpenArray(ArrayArgument& argument, BuiltinCall& call, std::u16string_view text,
                       bool forWrite) {
  Found found = argument.Resolve(text, forWrite);
  if (found == Found::kArray) return true;
  // An empty message: the evaluation has reported already.
  std::u16string message =
      found == Found::kFailed ? argument.message() : ArrayUnspecifiedMessage(argument.text());
  argument.Release();
  if (message.empty()) {
    call.failed = true;
  } else {
    call.Fail(message);
  }
  return false;
}

void AddArrayBuiltins(BuiltinBranchTable& table) {
  table.Set(u"LENGTH", arrays::Length);
  table.Set(u"SPLIT", arrays::Split);
  table.Set(u"JOIN", arrays::Join);
  table.Set(u"SLICE", arrays::Slice);
  table.Set(u"RESIZE", arrays::Resize);
  table.Set(u"SETCLEAR", arrays::SetClear);
  table.Set(u"SHIFTARRAY", arrays::ShiftArray);
  table.Set(u"CALCARRAY", arrays::CalcArray);
  table.Set(u"QSORT", arrays::QSort);
  table.Set(u"SAFEARRAY", arrays::SafeArray);
}

}  // namespace zelk
