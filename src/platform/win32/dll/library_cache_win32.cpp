// Libraries of DEF_DLL calls: loaded once per run with the system's search
// order, found again by their file text, freed when the run ends.
#include <windows.h>

#include "platform/dll_call.h"
#include "platform/win32/wide_text.h"

namespace zelk::os {

DllAbi NativeDllAbi() {
  return sizeof(void*) == 8 ? kDllAbi64 : kDllAbi32;
}

bool DllCallsAvailable() {
  return true;
}

void* LibraryCache::Load(std::u16string_view file) {
  std::lock_guard<std::mutex> guard(lock_);
  for (const Entry& entry : entries_) {
    if (entry.file == file) return entry.module;
  }
  if (entries_.size() >= kEntries) return nullptr;
  std::u16string name(file);
  HMODULE module = LoadLibraryW(win::W(name));
  if (!module) return nullptr;
  entries_.push_back({std::move(name), module});
  return module;
}

void LibraryCache::ReleaseAll() {
  std::lock_guard<std::mutex> guard(lock_);
  for (const Entry& entry : entries_) FreeLibrary(static_cast<HMODULE>(entry.module));
  entries_.clear();
}

void* FindLibraryFunction(void* module, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name.c_str()));
}

// The system's own lstrlen catches a fault on a bad pointer and answers 0.
std::size_t LibraryTextLength(const void* p, bool wide) {
  if (!p) return 0;
  int length =
      wide ? lstrlenW(static_cast<const wchar_t*>(p)) : lstrlenA(static_cast<const char*>(p));
  return length > 0 ? static_cast<std::size_t>(length) : 0;
}

}  // namespace zelk::os
