// The transparency dialog: none, the debugger's own window, or other
// programs' windows over it, with the amount.
#include "debugger_window/options/appearance_dialogs.h"

#include <commctrl.h>

#include <algorithm>

#include "debugger_window/options/dialog_builder.h"
#include "foundation/messages.h"

namespace zelk::window {
namespace {

enum : int { kValueEdit = 100, kValueSpin, kModeNone = 110, kModeDebugger, kModeActive };
constexpr int kInitialValue = 120;
constexpr int kMaxValue = 240;

struct Transparency {
  int mode;
  int value;
};

void EnableValue(HWND dialog) {
  const bool on = !IsDlgButtonChecked(dialog, kModeNone);
  EnableWindow(GetDlgItem(dialog, kValueEdit), on);
  EnableWindow(GetDlgItem(dialog, kValueSpin), on);
}

void Build(HWND dialog, const Transparency& t) {
  AddControl(dialog, L"STATIC", Msg(u"Transparent (0-240)", u"透過率 (0-240)"), -1, 16, 16, 150, 20,
             SS_LEFT);
  HWND edit = AddControl(dialog, L"EDIT", u"", kValueEdit, 170, 12, 60, 24,
                         ES_NUMBER | WS_BORDER | WS_TABSTOP);
  HWND spin = AddControl(dialog, UPDOWN_CLASSW, u"", kValueSpin, 0, 0, 0, 0,
                         UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS);
  SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  SendMessageW(spin, UDM_SETRANGE32, 0, kMaxValue);
  // The value is shown only for a mode that uses it.
  SendMessageW(spin, UDM_SETPOS32, 0,
               t.mode != 0 ? std::clamp(t.value, 0, kMaxValue) : kInitialValue);
  const char16_t* modes[] = {u"None", u"ZELK Debugger", u"Active Window"};
  for (int m = 0; m < 3; ++m) {
    AddControl(dialog, L"BUTTON", modes[m], kModeNone + m, 24, 52 + m * 28, 200, 22,
               BS_AUTORADIOBUTTON | (m == 0 ? WS_GROUP | WS_TABSTOP : 0));
  }
  CheckRadioButton(dialog, kModeNone, kModeActive, kModeNone + std::clamp(t.mode, 0, 2));
  AddControl(dialog, L"BUTTON", u"OK", IDOK, 40, 148, 80, 28,
             BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP);
  AddControl(dialog, L"BUTTON", u"Cancel", IDCANCEL, 140, 148, 80, 28, BS_PUSHBUTTON | WS_TABSTOP);
  EnableValue(dialog);
}

INT_PTR CALLBACK TransparencyProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* t = reinterpret_cast<Transparency*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      Build(dialog, *reinterpret_cast<Transparency*>(lp));
      PlaceDialog(dialog, 270, 230);
      SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK: {
          for (int m = 0; m < 3; ++m) {
            if (IsDlgButtonChecked(dialog, kModeNone + m)) t->mode = m;
          }
          BOOL ok = FALSE;
          const UINT value = GetDlgItemInt(dialog, kValueEdit, &ok, FALSE);
          if (ok) t->value = std::min<int>(static_cast<int>(value), kMaxValue);
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case kModeNone:
        case kModeDebugger:
        case kModeActive:
          EnableValue(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowTransparencyDialog(HWND owner, int* mode, int* value) {
  static const bool controls = [] {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_UPDOWN_CLASS};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)controls;
  Transparency t{*mode, *value};
  if (RunDialog(owner, Msg(u"Transparent Window", u"Window 透過指定"), 270, 230, TransparencyProc,
                reinterpret_cast<LPARAM>(&t)) != IDOK) {
    return false;
  }
  *mode = t.mode;
  *value = t.value;
  return true;
}

}  // namespace zelk::window
