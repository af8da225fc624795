// SAFEARRAY parameters: the script array becomes a native safe array through
// the automation layer, and the function gets a copy of its descriptor. The
// array itself lives until the call's arguments are released.
#include <cstring>

#include "platform/com_safe_array.h"
#include "runtime/calls/com_values.h"
#include "runtime/calls/dll_arguments.h"

namespace zelk {

void DllSafeArrayDeleter::operator()(void* safeArray) const {
  os::ComDestroySafeArray(safeArray);
}

bool MakeDllSafeArray(const Value& v, const os::DllAbi& abi, DllArguments* out,
                      std::uint8_t** descriptor) {
  // Only this machine's own arrays can be built.
  if (!v.IsArray() || abi.pointerBytes != static_cast<int>(sizeof(void*))) return false;
  os::ComValue value = ComFromValue(v, false);
  if (!(value.type & os::kComArray) || !value.array) return false;
  std::size_t bytes = 0;
  void* array = os::ComNewSafeArray(*value.array, &bytes);
  if (!array) return false;
  out->safeArrays.emplace_back(array);
  *descriptor = out->NewBuffer(bytes);
  std::memcpy(*descriptor, array, bytes);
  return true;
}

}  // namespace zelk
