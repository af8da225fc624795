// UTF-16 text between std::u16string and the system's wchar_t calls, which
// are the same code units on Windows.
#pragma once

#include <cwchar>
#include <string>

namespace zelk::win {

inline const wchar_t* W(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromW(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

inline std::u16string FromW(const wchar_t* text) {
  return FromW(text, std::wcslen(text));
}

}  // namespace zelk::win
