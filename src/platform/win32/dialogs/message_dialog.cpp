// MSGBOX: a message with up to seven buttons and clickable addresses.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/dialogs/dialog_frame.h"
#include "platform/win32/dialogs/gdi_calls.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace zelk::os {
namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 15;
constexpr int kButtonIdBase = 100;
constexpr int kLinkIdBase = 1000;
constexpr int kLabelId = 50;

class MessageDialog final : public win::ModalDialog {
 public:
  MessageDialog(const DialogLook& look, const std::u16string& text, int buttons, int focusButton,
                const std::vector<TextSpan>& links)
      : ModalDialog(kMessage, look),
        text_(text),
        buttons_(buttons),
        focus_(focusButton),
        links_(links),
        linkFont_(look.fontName, look.fontSize > 0 ? look.fontSize : 9, true) {}

  int pressed() const { return pressed_; }

 protected:
  SIZE Build() override {
    const SIZE label = font().Measure(text_);
    Control(L"STATIC", text_, SS_NOPREFIX, 16, 10, label.cx, label.cy, kLabelId);
    AddLinks();
    int shown = 0;
    for (const ButtonText& b : kMessageButtons) shown += (buttons_ & b.button) ? 1 : 0;
    SIZE client{label.cx + 32, label.cy + kButtonHeight + 32};
    const int total = 16 + shown * (kButtonWidth + kButtonGap);
    int x = 20;
    if (client.cx < total + 10) {
      client.cx = total + 10;
    } else {
      x = (client.cx - total + 24) / 2;
    }
    const int y = client.cy - kButtonHeight - 8;
    HWND focused = nullptr;
    for (const ButtonText& b : kMessageButtons) {
      if ((buttons_ & b.button) == 0) continue;
      const std::u16string caption = look().japanese ? b.japanese : b.english;
      const bool wanted = focus_ != 0 && b.button == focus_;
      HWND button =
          Control(L"BUTTON", caption, WS_TABSTOP | (wanted ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x,
                  y, kButtonWidth, kButtonHeight, kButtonIdBase + b.button);
      if (wanted || (focus_ == 0 && focused == nullptr)) focused = button;
      x += kButtonWidth + kButtonGap;
    }
    if (focused) SetFocus(focused);
    return client;
  }

  void Command(int id, int code, HWND) override {
    if (id >= kLinkIdBase) {
      if (code == STN_CLICKED) OpenLink(id - kLinkIdBase);
      return;
    }
    if (id == IDCANCEL) {
      pressed_ = kButtonCancel;
      Finish();
    } else if (id == IDOK) {
      // Enter with no button focused presses the focused default.
      HWND f = GetFocus();
      const int fid = f ? GetDlgCtrlID(f) : 0;
      if (fid > kButtonIdBase) {
        pressed_ = fid - kButtonIdBase;
        Finish();
      }
    } else if (id > kButtonIdBase && code == BN_CLICKED) {
      pressed_ = id - kButtonIdBase;
      Finish();
    }
  }

  LRESULT Other(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CTLCOLORSTATIC) {
      HWND c = reinterpret_cast<HWND>(lParam);
      if (GetDlgCtrlID(c) >= kLinkIdBase) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        win::Gdi().SetTextColor(dc, RGB(0, 0, 255));
        win::Gdi().SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
    }
    if (message == WM_SETCURSOR && GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) >= kLinkIdBase) {
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    }
    return ModalDialog::Other(message, wParam, lParam);
  }

 private:
  // Each address lies over its place in the label: the lines before it give
  // the top, the line's text before it the left.
  void AddLinks() {
    const int lineHeight = font().LineHeight();
    for (std::size_t k = 0; k < links_.size(); ++k) {
      const TextSpan& span = links_[k];
      const std::size_t lineStart = text_.rfind(u'\n', span.start);
      const std::size_t from = lineStart == std::u16string::npos ? 0 : lineStart + 1;
      const int line = static_cast<int>(
          std::count(text_.begin(), text_.begin() + static_cast<long>(from), u'\n'));
      const std::u16string before = text_.substr(from, span.start - from);
      const std::u16string link = text_.substr(span.start, span.length);
      const SIZE natural = linkFont_.Measure(link);
      HWND c =
          CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t*>(link.c_str()),
                          WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_NOTIFY,
                          16 + font().Measure(before).cx, 10 + line * lineHeight,
                          std::max<int>(1, natural.cx - 3), std::max<int>(1, natural.cy - 3),
                          window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkIdBase + k)),
                          GetModuleHandleW(nullptr), nullptr);
      if (c && linkFont_.handle()) {
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.handle()), 0);
      }
      SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
  }

  void OpenLink(std::size_t k) {
    if (k >= links_.size()) return;
    const std::u16string link = text_.substr(links_[k].start, links_[k].length);
    ShellExecuteW(window(), L"open", reinterpret_cast<const wchar_t*>(link.c_str()), nullptr,
                  nullptr, SW_SHOWNORMAL);
  }

  std::u16string text_;
  int buttons_;
  int focus_;
  std::vector<TextSpan> links_;
  win::Font linkFont_;
  int pressed_ = kButtonCancel;
};

}  // namespace

int ShowMessageDialog(const DialogLook& look, const std::u16string& text, int buttons,
                      int focusButton, const std::vector<TextSpan>& links, DialogPlace place) {
  MessageDialog dialog(look, text, buttons, focusButton, links);
  if (!dialog.Run(place)) return kButtonCancel;
  return dialog.pressed();
}

}  // namespace zelk::os
