#include <windows.h>

#include "platform/platform.h"

namespace zelk::os {

std::u16string MapString(std::u16string_view text, unsigned flags, bool* ok) {
  *ok = false;
  // LCMapStringW rejects an empty source; there is nothing to map anyway.
  if (text.empty()) {
    *ok = true;
    return {};
  }
  if (text.size() > 0x3FFFFFFF) return {};
  auto src = reinterpret_cast<const wchar_t*>(text.data());
  int srcLen = static_cast<int>(text.size());
  int n = LCMapStringW(LOCALE_SYSTEM_DEFAULT, flags, src, srcLen, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  n = LCMapStringW(LOCALE_SYSTEM_DEFAULT, flags, src, srcLen,
                   reinterpret_cast<wchar_t*>(out.data()), n);
  if (n <= 0) return {};
  out.resize(static_cast<std::size_t>(n));
  *ok = true;
  return out;
}

}  // namespace zelk::os
