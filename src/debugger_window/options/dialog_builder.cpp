#include "debugger_window/options/dialog_builder.h"

#include <vector>

namespace zelk::window {
namespace {

void PutText(std::vector<WORD>& data, std::u16string_view text) {
  for (char16_t c : text) data.push_back(c);
  data.push_back(0);
}

}  // namespace

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

INT_PTR RunDialog(HWND owner, const std::u16string& caption, int width, int height, DLGPROC proc,
                  LPARAM param) {
  // DLGTEMPLATE, then no menu, the default class, the caption and the font.
  std::vector<WORD> data(sizeof(DLGTEMPLATE) / sizeof(WORD));
  auto* header = reinterpret_cast<DLGTEMPLATE*>(data.data());
  header->style = DS_MODALFRAME | DS_SETFONT | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  header->cdit = 0;
  // The real size comes in pixels from PlaceDialog.
  header->cx = static_cast<short>(width / 2);
  header->cy = static_cast<short>(height / 2);
  data.push_back(0);
  data.push_back(0);
  PutText(data, caption);
  data.push_back(9);
  PutText(data, u"MS Shell Dlg 2");
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                 reinterpret_cast<const DLGTEMPLATE*>(data.data()), owner, proc,
                                 param);
}

HWND AddControl(HWND dialog, const wchar_t* className, const std::u16string& text, int id, int x,
                int y, int width, int height, DWORD style) {
  HWND control = CreateWindowExW(
      0, className, Wide(text), WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  return control;
}

void PlaceDialog(HWND dialog, int width, int height) {
  RECT area;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace zelk::window
