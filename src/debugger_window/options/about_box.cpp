// The about box: the debugger's and the language's versions and the
// product's web address.
#include "debugger_window/options/appearance_dialogs.h"

#include <shellapi.h>

#include "base/numbers.h"
#include "debugger_window/options/dialog_builder.h"

namespace zelk::window {
namespace {

constexpr char16_t kWebAddress[] = u"https://zelk.example.org/";
enum : int { kWebButton = 100 };

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      AddControl(dialog, L"STATIC", u"Vantor  Ver " + VersionText(2.302), -1, 24, 20, 220, 20,
                 SS_LEFT | SS_NOPREFIX);
      AddControl(dialog, L"STATIC", u"2017/04/18", -1, 24, 44, 220, 20, SS_LEFT);
      AddControl(dialog, L"STATIC", u"(ZELK  Ver " + VersionText(5.302) + u")", -1, 24, 68, 220, 20,
                 SS_LEFT | SS_NOPREFIX);
      AddControl(dialog, L"BUTTON", kWebAddress, kWebButton, 24, 98, 220, 24,
                 BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP);
      AddControl(dialog, L"BUTTON", u"&OK", IDOK, 94, 136, 80, 28, BS_DEFPUSHBUTTON | WS_TABSTOP);
      PlaceDialog(dialog, 280, 210);
      SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case kWebButton:
          ShellExecuteW(dialog, L"open", Wide(kWebAddress), nullptr, nullptr, SW_SHOWNORMAL);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, IDOK);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAbout(HWND owner) {
  RunDialog(owner, u"Vantor About", 280, 210, AboutProc, 0);
}

}  // namespace zelk::window
