#include "debugger_window/editor/condition_dialog.h"

#include <string>

#include "base/text_scan.h"
#include "debugger_window/options/dialog_builder.h"
#include "foundation/messages.h"

namespace zelk::window {
namespace {

enum : int { kConditionEdit = 100 };
constexpr int kWidth = 420, kHeight = 170;

struct Request {
  int line;
  std::u16string* condition;
};

std::u16string Number(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

void Build(HWND dialog, const Request& request) {
  const std::u16string line = Number(request.line + 1);
  const std::u16string label =
      JapaneseMessages()
          ? line + u" 行目: この式が真のときだけ止まります（空欄: いつも止まる）"
          : u"Line " + line + u": stop only when this expression is true (empty: always)";
  AddControl(dialog, L"STATIC", label, -1, 12, 12, kWidth - 40, 36, SS_LEFT);
  HWND edit = AddControl(dialog, L"EDIT", *request.condition, kConditionEdit, 12, 52, kWidth - 40,
                         24, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  AddControl(dialog, L"BUTTON", u"OK", IDOK, kWidth - 212, 88, 88, 28,
             BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP);
  AddControl(dialog, L"BUTTON", Msg(u"Cancel", u"キャンセル"), IDCANCEL, kWidth - 116, 88, 88, 28,
             BS_PUSHBUTTON | WS_TABSTOP);
  SetFocus(edit);
}

INT_PTR CALLBACK ConditionProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* request = reinterpret_cast<Request*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      Build(dialog, *reinterpret_cast<Request*>(lp));
      PlaceDialog(dialog, kWidth, kHeight);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK && request) {
        HWND edit = GetDlgItem(dialog, kConditionEdit);
        std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, u'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(
            edit, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
        *request->condition = Trim(text);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

bool AskBreakpointCondition(HWND owner, int line, std::u16string* condition) {
  std::u16string text = *condition;
  Request request{line, &text};
  const std::u16string caption = Msg(u"Breakpoint Condition", u"ブレークポイントの条件");
  if (RunDialog(owner, caption, kWidth, kHeight, &ConditionProc,
                reinterpret_cast<LPARAM>(&request)) != IDOK) {
    return false;
  }
  *condition = std::move(text);
  return true;
}

}  // namespace zelk::window
