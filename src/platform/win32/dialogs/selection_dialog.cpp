// SLCTBOX: a message over buttons, check boxes, radio buttons, a combo box or
// a list box, with an optional count-down bar; the choices scroll when the
// box would be taller than most of the screen.
#include <algorithm>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/dialogs/dialog_frame.h"
#include "platform/win32/window_class.h"

namespace zelk::os {
namespace {

constexpr int kChoiceIdBase = 200;
constexpr int kComboId = 150;
constexpr int kListId = 151;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kPanelHeight = 41;
constexpr int kBarHeight = 6;
constexpr UINT_PTR kTimerId = 1;
constexpr int kTickMs = 200;

const wchar_t kScrollClass[] = L"TUslctBox_zelk_scroll";

// The scroll box: hands its controls' commands to the dialog and scrolls them.
LRESULT CALLBACK ScrollProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return SendMessageW(GetParent(w), message, wParam, lParam);
    case WM_MOUSEWHEEL:
      SendMessageW(w, WM_VSCROLL, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
      return 0;
    case WM_VSCROLL: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_ALL;
      GetScrollInfo(w, SB_VERT, &info);
      int pos = info.nPos;
      switch (LOWORD(wParam)) {
        case SB_LINEUP:
          pos -= 20;
          break;
        case SB_LINEDOWN:
          pos += 20;
          break;
        case SB_PAGEUP:
          pos -= static_cast<int>(info.nPage);
          break;
        case SB_PAGEDOWN:
          pos += static_cast<int>(info.nPage);
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          pos = info.nTrackPos;
          break;
        default:
          break;
      }
      pos = std::clamp(pos, info.nMin,
                       std::max(info.nMin, info.nMax - static_cast<int>(info.nPage) + 1));
      if (pos != info.nPos) {
        ScrollWindowEx(w, 0, info.nPos - pos, nullptr, nullptr, nullptr, nullptr,
                       SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
        info.fMask = SIF_POS;
        info.nPos = pos;
        SetScrollInfo(w, SB_VERT, &info, TRUE);
      }
      return 0;
    }
    default:
      return DefWindowProcW(w, message, wParam, lParam);
  }
}

class SelectionDialog final : public win::ModalDialog {
 public:
  SelectionDialog(const DialogLook& look, const std::u16string& message,
                  const std::vector<std::u16string>& choices, int type, int timeoutSeconds)
      : ModalDialog(kSelection, look),
        message_(message),
        choices_(choices),
        type_(type),
        totalMs_(timeoutSeconds > 0 ? timeoutSeconds * 1000 : 0),
        leftMs_(totalMs_) {
    if (type & (kSelectChecks | kSelectRadios)) {
      mode_ = kSelectChecks;
    } else if (type & kSelectCombo) {
      mode_ = kSelectCombo;
    } else if (type & kSelectList) {
      mode_ = kSelectList;
    }
  }

  const SelectionAnswer& answer() const { return answer_; }

 protected:
  SIZE Build() override {
    const int fontHeight = font().LineHeight();
    const int pitch = 2 * fontHeight + 5;
    const SIZE label = font().Measure(message_);
    const int labelHeight = message_.empty() ? 0 : label.cy;
    int w = 160;
    for (const std::u16string& c : choices_) w = std::max<int>(w, font().Measure(c + u"WW").cx);
    const int n = static_cast<int>(choices_.size());
    const bool panel = mode_ != kSelectButtons;
    int contentHeight = labelHeight + 10;
    int listHeight = 0;
    if (mode_ == kSelectChecks) {
      contentHeight = labelHeight + 15 + n * pitch;
    } else if (mode_ == kSelectCombo) {
      contentHeight = labelHeight + 15 + fontHeight + 10;
    } else if (mode_ == kSelectList) {
      listHeight = std::clamp((n + 1) * fontHeight, 100, GetSystemMetrics(SM_CYSCREEN) / 2);
      contentHeight = labelHeight + 15 + listHeight;
    } else if (n > 0) {
      contentHeight = labelHeight + 20 + n * pitch;
    }
    contentHeight += 10;
    SIZE client{w + 20, 0};
    client.cx = std::max<int>(client.cx, label.cx + 10 + 16);
    if (panel) client.cx = std::max<int>(client.cx, kButtonWidth + 16 * 2);
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    if (client.cx > screenW * 9 / 10) client.cx = screenW * 95 / 100;
    const int below = (panel ? kPanelHeight : 0) + (totalMs_ > 0 ? kBarHeight : 0);
    client.cy = contentHeight + below;
    bool scrolls = false;
    if (client.cy > screenH * 9 / 10) {
      client.cy = screenH * 9 / 10;
      scrolls = true;
    }
    const int boxHeight = client.cy - below;

    win::RegisterWindowClass(kScrollClass, ScrollProc, IDC_ARROW, GetSysColor(COLOR_BTNFACE));
    box_ = CreateWindowExW(WS_EX_CONTROLPARENT, kScrollClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | (scrolls ? WS_VSCROLL : 0), 0,
                           0, client.cx, boxHeight, window(), nullptr, GetModuleHandleW(nullptr),
                           nullptr);
    if (scrolls) {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      info.nMax = contentHeight;
      info.nPage = static_cast<UINT>(boxHeight);
      SetScrollInfo(box_, SB_VERT, &info, TRUE);
    }
    Control(L"STATIC", message_, SS_NOPREFIX, 10, 8, label.cx, labelHeight, 100, box_);

    HWND first = nullptr;
    if (mode_ == kSelectChecks) {
      const bool checks = (type_ & kSelectChecks) != 0;
      for (int i = 0; i < n; ++i) {
        const DWORD style =
            WS_TABSTOP | (checks ? BS_AUTOCHECKBOX : BS_AUTORADIOBUTTON) | (i == 0 ? WS_GROUP : 0);
        HWND b = Control(L"BUTTON", choices_[static_cast<std::size_t>(i)], style, 10,
                         labelHeight + 15 + i * pitch, w, pitch - 5, kChoiceIdBase + i, box_);
        if (i == 0) {
          first = b;
          if (!checks) SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0);
        }
      }
    } else if (mode_ == kSelectCombo) {
      first = Control(L"COMBOBOX", u"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 10,
                      labelHeight + 15, w + 10, fontHeight * 12, kComboId, box_);
      for (const std::u16string& choice : choices_) {
        SendMessageW(first, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
      }
      SendMessageW(first, CB_SETCURSEL, 0, 0);
    } else if (mode_ == kSelectList) {
      first = Control(
          L"LISTBOX", u"",
          WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
          10, labelHeight + 15, w + 10, listHeight, kListId, box_);
      for (const std::u16string& choice : choices_) {
        SendMessageW(first, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
      }
      if (n > 0) SendMessageW(first, LB_SETSEL, TRUE, 0);
    } else {
      for (int i = 0; i < n; ++i) {
        HWND b =
            Control(L"BUTTON", choices_[static_cast<std::size_t>(i)], WS_TABSTOP | BS_PUSHBUTTON,
                    10, labelHeight + 20 + i * pitch, w, pitch - 5, kChoiceIdBase + i, box_);
        if (i == 0) first = b;
      }
    }
    if (panel) {
      HWND ok =
          Control(L"BUTTON", u"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, (client.cx - kButtonWidth) / 2,
                  boxHeight + 8, kButtonWidth, kButtonHeight, IDOK);
      if (first == nullptr) first = ok;
    }
    if (first) SetFocus(first);
    barTop_ = client.cy - kBarHeight;
    if (totalMs_ > 0) SetTimer(window(), kTimerId, kTickMs, nullptr);
    return client;
  }

  void Command(int id, int code, HWND) override {
    if (id == IDCANCEL) {
      answer_.outcome = SelectionAnswer::kClosed;
      Finish();
      return;
    }
    if (mode_ == kSelectButtons) {
      if (id == IDOK) {
        HWND f = GetFocus();
        id = f ? GetDlgCtrlID(f) : 0;
        code = BN_CLICKED;
      }
      if (id >= kChoiceIdBase && code == BN_CLICKED) {
        answer_.outcome = SelectionAnswer::kChosen;
        answer_.chosen = {id - kChoiceIdBase};
        Finish();
      }
      return;
    }
    if (id == IDOK && (code == BN_CLICKED || code == 0)) {
      Collect();
      answer_.outcome = SelectionAnswer::kChosen;
      Finish();
    }
  }

  LRESULT Other(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TIMER && wParam == kTimerId) {
      leftMs_ -= kTickMs;
      RECT bar{0, barTop_, 10000, barTop_ + kBarHeight};
      InvalidateRect(window(), &bar, TRUE);
      if (leftMs_ <= 0) {
        KillTimer(window(), kTimerId);
        answer_.outcome = SelectionAnswer::kTimedOut;
        Finish();
      }
      return 0;
    }
    if (message == WM_PAINT && totalMs_ > 0) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window(), &ps);
      RECT client;
      GetClientRect(window(), &client);
      RECT bar{0, barTop_, client.right, barTop_ + kBarHeight};
      FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNSHADOW));
      bar.right =
          static_cast<LONG>(static_cast<long long>(client.right) * std::max(0, leftMs_) / totalMs_);
      FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
      EndPaint(window(), &ps);
      return 0;
    }
    return ModalDialog::Other(message, wParam, lParam);
  }

 private:
  void Collect() {
    answer_.chosen.clear();
    const int n = static_cast<int>(choices_.size());
    if (mode_ == kSelectChecks) {
      for (int i = 0; i < n; ++i) {
        if (SendDlgItemMessageW(box_, kChoiceIdBase + i, BM_GETCHECK, 0, 0) == BST_CHECKED) {
          answer_.chosen.push_back(i);
        }
      }
    } else if (mode_ == kSelectCombo) {
      const LRESULT i = SendDlgItemMessageW(box_, kComboId, CB_GETCURSEL, 0, 0);
      if (i >= 0) answer_.chosen.push_back(static_cast<int>(i));
    } else if (mode_ == kSelectList) {
      for (int i = 0; i < n; ++i) {
        if (SendDlgItemMessageW(box_, kListId, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
          answer_.chosen.push_back(i);
        }
      }
    }
  }

  std::u16string message_;
  std::vector<std::u16string> choices_;
  int type_;
  int mode_ = kSelectButtons;
  int totalMs_;
  int leftMs_;
  int barTop_ = 0;
  HWND box_ = nullptr;
  SelectionAnswer answer_;
};

}  // namespace

SelectionAnswer ShowSelectionDialog(const DialogLook& look, const std::u16string& message,
                                    const std::vector<std::u16string>& choices, int type,
                                    int timeoutSeconds, DialogPlace place) {
  SelectionDialog dialog(look, message, choices, type, timeoutSeconds);
  if (!dialog.Run(place)) return {};
  return dialog.answer();
}

}  // namespace zelk::os
