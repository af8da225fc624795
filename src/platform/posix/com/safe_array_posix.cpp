// No automation layer here: no safe arrays either.
#include "platform/com_safe_array.h"

namespace zelk::os {

void* ComNewSafeArray(const ComArray&, std::size_t* descriptorBytes) {
  *descriptorBytes = 0;
  return nullptr;
}

void ComDestroySafeArray(void*) {}

}  // namespace zelk::os
