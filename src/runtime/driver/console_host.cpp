#include "runtime/driver/console_host.h"

#include "base/utf.h"
#include "platform/platform.h"

namespace zelk {
namespace {

// The dialog's CR line breaks become the console's.
std::string ConsoleText(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      out.push_back(u'\n');
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  out.push_back(u'\n');
  return TextToUtf8(out);
}

}  // namespace

void ConsoleHost::PrintLine(const std::u16string& text) {
  os::WriteStdout(ConsoleText(text));
}

void ConsoleHost::ShowError(const std::u16string& text) {
  os::WriteStderr(ConsoleText(text));
}

bool ConsoleHost::AskAbort(const std::u16string& text) {
  os::WriteStderr(ConsoleText(text));
  return true;
}

}  // namespace zelk
