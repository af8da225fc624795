// Per-thread set-up of the automation layer, object references and failure
// texts.
#include <windows.h>
// after windows.h
#include <objbase.h>

#include <cstdio>

#include "platform/com_automation.h"
#include "platform/win32/com/variant_convert.h"

namespace zelk::os {

bool ComAvailable() {
  return true;
}

void EnsureComInitialized() {
  // Never undone: objects may outlive any scope on this thread, and the
  // system tidies up when the thread ends.
  thread_local bool initialized = false;
  if (initialized) return;
  initialized = true;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void ComRef::AddRef() {
  if (p_) static_cast<IUnknown*>(p_)->AddRef();
}

void ComRef::Release() {
  if (p_) static_cast<IUnknown*>(p_)->Release();
  p_ = nullptr;
}

std::uintptr_t ComIdentity(const ComRef& object) {
  if (!object) return 0;
  IUnknown* unknown = nullptr;
  if (FAILED(static_cast<IUnknown*>(object.get())
                 ->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)))) {
    return reinterpret_cast<std::uintptr_t>(object.get());
  }
  unknown->Release();
  return reinterpret_cast<std::uintptr_t>(unknown);
}

std::u16string ComFailureText(std::int32_t code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (n > 0 && buffer) text.assign(reinterpret_cast<const char16_t*>(buffer), n);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  std::u16string number(hex, hex + std::char_traits<char>::length(hex));
  return text.empty() ? number : text + u" (" + number + u")";
}

std::u16string FailureFromResult(HRESULT hr, EXCEPINFO* info) {
  if (hr == DISP_E_EXCEPTION && info) {
    if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
    std::u16string text;
    if (info->bstrDescription) {
      text.assign(reinterpret_cast<const char16_t*>(info->bstrDescription),
                  SysStringLen(info->bstrDescription));
    }
    HRESULT code = info->scode != 0 ? info->scode : static_cast<HRESULT>(info->wCode);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n')) text.pop_back();
    if (text.empty()) text = ComFailureText(code);
    return text;
  }
  return ComFailureText(hr);
}

}  // namespace zelk::os
