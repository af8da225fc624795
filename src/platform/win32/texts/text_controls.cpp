#include "platform/win32/texts/text_controls.h"

#include <vector>

#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"

namespace zelk::win {

std::vector<HWND> ControlsOf(HWND window, std::uint32_t kinds, bool includeDisabled,
                             const std::atomic<int>* stop) {
  return ControlsOfKind(window, kinds, includeDisabled, stop);
}

HWND NthControlOf(HWND window, std::uint32_t kinds, int n, bool includeDisabled,
                  const std::atomic<int>* stop) {
  return NthControlOfKind(window, kinds, includeDisabled, n, stop);
}

std::u16string UpperClass(HWND control) {
  return UpperClassOf(control);
}

bool ClassHas(HWND control, std::u16string_view part) {
  return UpperClass(control).find(part) != std::u16string::npos;
}

LRESULT SendQuick(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(control, message, wparam, lparam, SMTO_ABORTIFHUNG, 1000, &answer)) {
    return 0;
  }
  return static_cast<LRESULT>(answer);
}

std::u16string TextOfControl(HWND control) {
  const LRESULT length = SendQuick(control, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got =
      SendQuick(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  if (got <= 0) return {};
  return FromW(buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(got), length));
}

}  // namespace zelk::win
