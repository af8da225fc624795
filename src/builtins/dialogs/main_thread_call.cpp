#include "builtins/dialogs/main_thread_call.h"

#include "builtins/builtin_family.h"

namespace zelk::dialogs {

bool RunOnMainThread(THensuFmt& context, const std::function<void()>& show) {
  if (ThreadSlotOf(context) >= 0) return false;
  show();
  return true;
}

}  // namespace zelk::dialogs
