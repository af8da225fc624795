#include "builtins/dialogs/main_thread_call.h"

#include "builtins/builtin_family.h"
#include "runtime/core/interpreter.h"

namespace zelk::dialogs {

bool RunOnMainThread(THensuFmt& context, const std::function<void()>& show, bool mayRunDirectly) {
  if (ThreadSlotOf(context) < 0) {
    show();
    return true;
  }
  Interpreter& interp = *context.interp;
  if (interp.threads.Own(context) == nullptr) return false;
  interp.mainCalls.Run(show, mayRunDirectly);
  return true;
}

}  // namespace zelk::dialogs
