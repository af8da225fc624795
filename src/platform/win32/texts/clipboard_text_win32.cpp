// The clipboard's text for GETSTR and SENDSTR with ID 0.
#include <windows.h>

#include <cstring>

#include "platform/control_texts.h"
#include "platform/win32/wide_text.h"

namespace zelk::os {
namespace {

// Another program may hold the clipboard for a moment: 256 tries, 3 ms apart.
bool OpenClipboardRetrying() {
  for (int i = 0; i < 256; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(3);
  }
  return false;
}

}  // namespace

bool ReadClipboardText(std::u16string* text) {
  text->clear();
  if (!OpenClipboardRetrying()) return false;
  bool ok = false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      // The handle's size bounds the text when a program left it unterminated.
      const std::size_t most = GlobalSize(data) / sizeof(wchar_t);
      std::size_t length = 0;
      while (length < most && chars[length] != L'\0') ++length;
      *text = win::FromW(chars, length);
      GlobalUnlock(data);
      ok = true;
    }
  }
  CloseClipboard();
  return ok;
}

bool WriteClipboardText(std::u16string_view text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!data) return false;
  if (void* chars = GlobalLock(data)) {
    std::memcpy(chars, text.data(), text.size() * sizeof(wchar_t));
    static_cast<wchar_t*>(chars)[text.size()] = L'\0';
    GlobalUnlock(data);
  }
  if (!OpenClipboardRetrying()) {
    GlobalFree(data);
    return false;
  }
  EmptyClipboard();
  const bool ok = SetClipboardData(CF_UNICODETEXT, data) != nullptr;
  CloseClipboard();
  if (!ok) GlobalFree(data);
  return ok;
}

}  // namespace zelk::os
