// Where messages for the user go. The debugger installs its windows; a console
// program keeps the default, which writes to standard error and answers so that
// nothing changes (Cancel or No).
#pragma once

#include <string>

namespace zelk {

// Message box styles and answers, with the values Windows uses.
enum : unsigned {
  kMbOk = 0,
  kMbOkCancel = 1,
  kMbYesNoCancel = 3,
  kMbYesNo = 4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                             unsigned type) = 0;
  // A short note in the status area (the console prints it).
  virtual void ShowStatusMessage(const std::u16string& text) = 0;
};

// Null restores the console default.
void SetUserInterface(UserInterface* ui);
int ShowMessageBox(const std::u16string& text, const std::u16string& caption = u"",
                   unsigned type = kMbOk);
void ShowStatusMessage(const std::u16string& text);

}  // namespace zelk
