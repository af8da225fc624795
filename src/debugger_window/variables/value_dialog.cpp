#include "debugger_window/variables/value_dialog.h"

#include "debugger_window/options/dialog_builder.h"

namespace zelk::window {
namespace {

constexpr int kValueWidth = 380;
constexpr int kValueHeight = 160;
constexpr int kChoiceWidth = 320;
constexpr int kChoiceHeight = 130;

struct ValueBox {
  std::u16string name, text, kind;
  std::u16string result;
};

std::u16string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

// Centred on the screen and above every other window, so the box is seen
// even when the script's windows cover the debugger.
void CentreOnTop(HWND dialog, int width, int height) {
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(dialog, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
}

INT_PTR CALLBACK ValueProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<ValueBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      box = reinterpret_cast<ValueBox*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      CentreOnTop(dialog, kValueWidth, kValueHeight);
      AddControl(dialog, L"STATIC", box->name, kValueNameLabel, 12, 10, 350, 18,
                 SS_NOPREFIX | SS_ENDELLIPSIS);
      HWND edit = AddControl(dialog, L"EDIT", box->text, kValueEdit, 12, 32, 350, 22,
                             WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL);
      AddControl(dialog, L"STATIC", box->kind, kValueKindLabel, 12, 60, 200, 18, SS_NOPREFIX);
      AddControl(dialog, L"BUTTON", u"OK", IDOK, 190, 88, 80, 26, WS_TABSTOP | BS_DEFPUSHBUTTON);
      AddControl(dialog, L"BUTTON", u"CANCEL", IDCANCEL, 280, 88, 80, 26, WS_TABSTOP);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        box->result = WindowText(GetDlgItem(dialog, kValueEdit));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK ChoiceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* question = reinterpret_cast<const KindQuestion*>(lParam);
      PlaceDialog(dialog, kChoiceWidth, kChoiceHeight);
      AddControl(dialog, L"STATIC", question->prompt, -1, 12, 10, 290, 20, SS_NOPREFIX);
      HWND first = AddControl(dialog, L"BUTTON", question->textChoice, kKindTextChoice, 12, 40, 140,
                              28, WS_TABSTOP | BS_DEFPUSHBUTTON);
      AddControl(dialog, L"BUTTON", question->valueChoice, kKindValueChoice, 162, 40, 140, 28,
                 WS_TABSTOP);
      SetFocus(first);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kKindTextChoice:
          EndDialog(dialog, 0);
          return TRUE;
        case kKindValueChoice:
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, -1);
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

std::optional<std::u16string> AskValue(HWND owner, const std::u16string& caption,
                                       const std::u16string& name, const std::u16string& text,
                                       const std::u16string& kind) {
  ValueBox box{name, text, kind, {}};
  const INT_PTR answer = RunDialog(owner, caption, kValueWidth, kValueHeight, ValueProc,
                                   reinterpret_cast<LPARAM>(&box));
  if (answer != IDOK) return std::nullopt;
  return box.result;
}

int AskKindChoice(HWND owner, const KindQuestion& question) {
  const INT_PTR answer = RunDialog(owner, question.prompt, kChoiceWidth, kChoiceHeight, ChoiceProc,
                                   reinterpret_cast<LPARAM>(const_cast<KindQuestion*>(&question)));
  return answer == 0 || answer == 1 ? static_cast<int>(answer) : -1;
}

}  // namespace zelk::window
