// No automation layer here: no object has events.
#include "platform/com_events.h"

namespace zelk::os {

bool ComFindEvent(const ComRef&, std::u16string_view, std::u16string_view, ComGuid*,
                  std::int32_t*) {
  return false;
}

std::unique_ptr<ComEventConnection> ComConnectEvents(const ComRef&, const ComGuid&,
                                                     ComEventReceiver*, std::u16string* failure) {
  failure->clear();
  return nullptr;
}

}  // namespace zelk::os
