// StrCmpLogicalW, found at run time so that the program needs no import of
// the shell's light-weight utility library.
#include <windows.h>

#include <string>

#include "platform/logical_compare.h"
#include "platform/platform.h"

namespace zelk::os {
namespace {

using StrCmpLogical = int(WINAPI*)(const wchar_t*, const wchar_t*);

StrCmpLogical FindStrCmpLogical() {
  HMODULE module = LoadLibraryW(L"shlwapi.dll");
  if (module == nullptr) return nullptr;
  return reinterpret_cast<StrCmpLogical>(
      reinterpret_cast<void*>(GetProcAddress(module, "StrCmpLogicalW")));
}

}  // namespace

int CompareLogical(const std::u16string& a, const std::u16string& b) {
  static const StrCmpLogical compare = FindStrCmpLogical();
  if (compare == nullptr) return CompareLocale(a, b);
  return compare(reinterpret_cast<const wchar_t*>(a.c_str()),
                 reinterpret_cast<const wchar_t*>(b.c_str()));
}

}  // namespace zelk::os
