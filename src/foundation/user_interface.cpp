#include "foundation/user_interface.h"

#include "base/utf.h"
#include "platform/platform.h"

namespace zelk {
namespace {

class ConsoleInterface final : public UserInterface {
 public:
  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     unsigned type) override {
    std::string line = caption.empty() ? "" : TextToUtf8(caption) + ": ";
    line += TextToUtf8(text);
    line += '\n';
    os::WriteStderr(line);
    switch (type & 0xF) {
      case kMbOk:
        return kIdOk;
      case kMbYesNo:
        return kIdNo;
      default:
        return kIdCancel;
    }
  }
  void ShowStatusMessage(const std::u16string& text) override {
    os::WriteStderr(TextToUtf8(text) + "\n");
  }
};

ConsoleInterface console;
UserInterface* current = &console;

}  // namespace

void SetUserInterface(UserInterface* ui) {
  current = ui ? ui : &console;
}

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned type) {
  return current->ShowMessageBox(text, caption, type);
}

void ShowStatusMessage(const std::u16string& text) {
  current->ShowStatusMessage(text);
}

}  // namespace zelk
