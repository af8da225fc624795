// Result arrays of the list-producing built-ins, and which thread a call
// comes from.
#include <mutex>
#include <string>

#include "builtins/builtin_family.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variable_parts.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

// Inside a FOR-IN collection a fresh list goes to NAME_TMP, so that the loop
// does not overwrite the script's own copy. The image matches keep their
// names: the script reads them by those names after the search.
const std::u16string& TargetName(std::u16string_view name, THensuFmt& context) {
  std::u16string& last = context.lastResultArray;
  const bool tmp = context.collectionPending && name != u"ALL_IMG_X" && name != u"ALL_IMG_Y";
  const std::size_t length = name.size() + (tmp ? 4 : 0);
  if (last.size() != length || !std::u16string_view(last).starts_with(name) ||
      (tmp && !std::u16string_view(last).ends_with(u"_TMP"))) {
    last.assign(name);
    if (tmp) last += u"_TMP";
  }
  return last;
}

}  // namespace

void ClearResult(std::u16string_view name, THensuFmt& context) {
  const std::u16string& target = TargetName(name, context);
  Interpreter& interp = *context.interp;
  VariableTable& table = context.vars;
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (vars::IsGlobalTable(context, table) && !interp.SoleThread()) guard.lock();
  const int index = table.names.IndexOf(target);
  if (index < 0) {
    vars::CreateWithBounds(interp, table, target, {-1});
    return;
  }
  // Whatever the variable held, it becomes an empty one-dimensional array.
  table.bounds[static_cast<std::size_t>(index)].assign(1, -1);
  table.values[static_cast<std::size_t>(index)].clear();
}

int AppendResult(std::u16string_view name, const Value& value, THensuFmt& context) {
  const std::u16string& target = TargetName(name, context);
  return AppendElement(context, target, value);
}

// The context's thread record tells the thread: 0 the main one, slot + 1 a script thread.
int ThreadSlotOf(const THensuFmt& context) {
  return context.recordIndex == 0 ? -1 : context.recordIndex - 1;
}

int CallerIndex(const THensuFmt& context) {
  return ThreadSlotOf(context) + 1;
}

}  // namespace zelk
