#include "builtins/texts/automation_readers.h"

#include "base/text_scan.h"

namespace zelk {

bool IsAutomationFirstClass(std::u16string_view upperClass) {
  return StartsWith(upperClass, u"HWNDWRAPPER[WPFAPPLICATION") ||
         StartsWith(upperClass, u"CHROME_WIDGETWIN") || StartsWith(upperClass, u"MOZILLA") ||
         upperClass == u"APPLICATIONFRAMEWINDOW" || upperClass == u"IEFRAME";
}

bool IsAutomationFirstWindow(os::WindowHandle window) {
  return IsAutomationFirstClass(UpperAscii(os::WindowClass(window)));
}

bool AutomationWriteText(os::WindowHandle, int, std::u16string_view, bool) {
  return false;
}

bool AutomationReadText(os::WindowHandle, int, int, bool, std::u16string*) {
  return false;
}

void AutomationCollectItems(os::WindowHandle, std::uint32_t, int, int, bool,
                            std::vector<std::u16string>*) {}

bool AutomationSelectedEntries(os::WindowHandle, int, int, std::u16string*) {
  return false;
}

bool AccessibleWriteText(os::WindowHandle, int, int, std::u16string_view, bool) {
  return false;
}

bool AccessibleReadText(os::WindowHandle, int, int, bool, std::u16string*) {
  return false;
}

void AccessibleCollectItems(os::WindowHandle, std::uint32_t, int, bool,
                            std::vector<std::u16string>*) {}

bool AccessibleInfoAtPoint(int, int, int, std::u16string*) {
  return false;
}

bool JavaInfoAtPoint(os::WindowHandle, int, int, int, std::u16string*) {
  return false;
}

}  // namespace zelk
