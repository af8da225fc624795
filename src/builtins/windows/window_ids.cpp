#include "builtins/windows/window_ids.h"

#include <mutex>
#include <string>

#include "builtins/windows/desktop_state.h"
#include "foundation/messages.h"
#include "platform/windowing.h"

namespace zelk {

std::uintptr_t WindowOfId(int id, THensuFmt& context) {
  return DesktopOf(context).HandleOf(id);
}

std::uintptr_t WindowOfValue(std::int64_t value, THensuFmt& context) {
  DesktopState& desk = DesktopOf(context);
  {
    std::lock_guard<std::recursive_mutex> guard(desk.idLock);
    if (value >= 0 && value <= static_cast<std::int64_t>(desk.ids.size())) {
      if (const os::WindowHandle window = desk.HandleOf(value)) return window;
    }
  }
  const auto raw = static_cast<os::WindowHandle>(value);
  return os::IsWindowAlive(raw) ? raw : 0;
}

int IdOfWindow(std::uintptr_t window, THensuFmt& context) {
  return DesktopOf(context).IdOf(window);
}

void SetActionPending(THensuFmt& context) {
  if (context.recordIndex == 0) DesktopOf(context).actionPending = true;
}

bool RequireDesktop(BuiltinCall& call) {
  if (os::HasDesktop()) return true;
  std::u16string message(call.name);
  message += Msg(u" is not available on this platform", u" はこのプラットフォームでは使えません");
  call.Fail(message);
  return false;
}

}  // namespace zelk
