// No Windows libraries here: the runtime asks DllCallsAvailable first and
// reports the call as not available on this platform.
#include <cstring>

#include "platform/dll_call.h"

namespace zelk::os {

DllAbi NativeDllAbi() {
  return sizeof(void*) == 8 ? kDllAbi64 : kDllAbi32;
}

bool DllCallsAvailable() {
  return false;
}

void* LibraryCache::Load(std::u16string_view) {
  return nullptr;
}

void LibraryCache::ReleaseAll() {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.clear();
}

void* FindLibraryFunction(void*, const std::string&) {
  return nullptr;
}

void CallLibraryFunction(void*, const void*, std::size_t, bool, NativeCallResult* result) {
  *result = NativeCallResult{};
}

std::size_t LibraryTextLength(const void* p, bool wide) {
  if (!p) return 0;
  if (!wide) return std::strlen(static_cast<const char*>(p));
  const char16_t* text = static_cast<const char16_t*>(p);
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace zelk::os
