// No desktop windows here: the dialog built-ins report that before asking.
#include "platform/dialogs.h"

namespace zelk::os {

bool DialogsAvailable() {
  return false;
}

int ShowMessageDialog(const DialogLook&, const std::u16string&, int, int,
                      const std::vector<TextSpan>&, DialogPlace) {
  return kButtonCancel;
}

bool ShowInputDialog(const DialogLook&, const std::u16string&, const std::u16string&, bool,
                     DialogPlace, std::u16string*) {
  return false;
}

SelectionAnswer ShowSelectionDialog(const DialogLook&, const std::u16string&,
                                    const std::vector<std::u16string>&, int, int, DialogPlace) {
  return {};
}

int ShowPopupMenu(const std::u16string&, const std::vector<MenuEntry>&, int, int, bool) {
  return -1;
}

void ShowBalloon(int, const std::u16string&, int, int, const BalloonLook&) {}
void HideBalloon(int) {}
void DestroyBalloon(int) {}
std::uintptr_t BalloonWindow(int) {
  return 0;
}

void ShowPrintWindow(const PrintWindowRequest&, const std::vector<std::u16string>&) {}
std::uintptr_t PrintWindowHandle() {
  return 0;
}
void AppendPrintWindow(const std::u16string&) {}
void AllowPrintWindow() {}
void ReplacePrintWindowText(const std::vector<std::u16string>&) {}

std::uintptr_t StopFormWindow() {
  return 0;
}

}  // namespace zelk::os
