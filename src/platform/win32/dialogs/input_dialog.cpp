// INPUT: a prompt, a one-line edit (masked for passwords) that also takes
// dropped file names, OK and Cancel.
#include <algorithm>

#include "platform/dialogs.h"
#include "platform/win32/dialogs/dialog_frame.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

constexpr int kEditId = 10;
constexpr int kOkId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kMinimumEditWidth = 300;

class InputDialog final : public win::ModalDialog {
 public:
  InputDialog(const DialogLook& look, const std::u16string& prompt, const std::u16string& text,
              bool password)
      : ModalDialog(kInput, look), prompt_(prompt), text_(text), password_(password) {}

  bool entered() const { return entered_; }
  const std::u16string& text() const { return text_; }

 protected:
  SIZE Build() override {
    const SIZE label = font().Measure(prompt_);
    const int labelHeight = prompt_.empty() ? 0 : label.cy;
    Control(L"STATIC", prompt_, SS_NOPREFIX, 8, 8, label.cx, labelHeight, 11);
    const int editWidth = std::max<int>(kMinimumEditWidth, label.cx + 12);
    const int editHeight = font().LineHeight() + 8;
    const int editTop = 8 + labelHeight + 8;
    edit_ = Control(L"EDIT", text_,
                    WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (password_ ? ES_PASSWORD : 0), 8,
                    editTop, editWidth, editHeight, kEditId);
    if (password_) SendMessageW(edit_, EM_SETPASSWORDCHAR, u'*', 0);
    SIZE client{std::max<int>(editWidth + 16, label.cx + 18), 0};
    const int buttonTop = editTop + editHeight + 8;
    client.cy = std::max<int>(buttonTop + kButtonHeight + 8, labelHeight + editHeight + 40 + 16);
    const int cancelLeft = client.cx - 16 - kButtonWidth;
    Control(L"BUTTON", u"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, cancelLeft - 8 - kButtonWidth,
            buttonTop, kButtonWidth, kButtonHeight, kOkId);
    Control(L"BUTTON", u"Cancel", WS_TABSTOP | BS_PUSHBUTTON, cancelLeft, buttonTop, kButtonWidth,
            kButtonHeight, kCancelId);
    DragAcceptFiles(window(), TRUE);
    SetFocus(edit_);
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    return client;
  }

  void Command(int id, int code, HWND) override {
    if (code != BN_CLICKED && id != IDOK && id != IDCANCEL) return;
    if (id == kOkId) {
      const int length = GetWindowTextLengthW(edit_);
      std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
      GetWindowTextW(edit_, reinterpret_cast<wchar_t*>(text.data()), length + 1);
      text.resize(static_cast<std::size_t>(length));
      text_ = std::move(text);
      entered_ = true;
      Finish();
    } else if (id == kCancelId) {
      Finish();
    }
  }

  LRESULT Other(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_DROPFILES) {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      const std::u16string names = win::DroppedFileNames(drop, true);
      DragFinish(drop);
      // The first drop adds to what was typed; later ones replace it.
      std::u16string text = names;
      if (!dropped_) {
        const int length = GetWindowTextLengthW(edit_);
        std::u16string old(static_cast<std::size_t>(length) + 1, u'\0');
        GetWindowTextW(edit_, reinterpret_cast<wchar_t*>(old.data()), length + 1);
        old.resize(static_cast<std::size_t>(length));
        text = old + names;
      }
      dropped_ = true;
      SetWindowTextW(edit_, reinterpret_cast<const wchar_t*>(text.c_str()));
      return 0;
    }
    return ModalDialog::Other(message, wParam, lParam);
  }

 private:
  std::u16string prompt_;
  std::u16string text_;
  bool password_;
  HWND edit_ = nullptr;
  bool entered_ = false;
  bool dropped_ = false;
};

}  // namespace

bool ShowInputDialog(const DialogLook& look, const std::u16string& prompt,
                     const std::u16string& defaultText, bool password, DialogPlace place,
                     std::u16string* text) {
  InputDialog dialog(look, prompt, defaultText, password);
  if (!dialog.Run(place) || !dialog.entered()) return false;
  *text = dialog.text();
  return true;
}

}  // namespace zelk::os
