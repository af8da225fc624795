// The UI Automation, accessibility (MSAA) and Java readers behind the text
// built-ins. They are not built yet: each answers "nothing found", so that
// the callers take their Win32 paths and fallbacks exactly where those
// readers will one day have found nothing too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windowing.h"

namespace zelk {

// Windows whose own controls are seen only through UI Automation (browsers,
// WPF and store programs), by their upper-cased class name.
bool IsAutomationFirstClass(std::u16string_view upperClass);
bool IsAutomationFirstWindow(os::WindowHandle window);

// UI Automation: the n-th edit element's value set (or appended to); the
// text of an edit, static or status element; GETITEM's and GETSLCTLST's
// collectors. False / nothing: not found.
bool AutomationWriteText(os::WindowHandle window, int n, std::u16string_view text, bool replace);
bool AutomationReadText(os::WindowHandle window, int kind, int n, bool mouse, std::u16string* text);
void AutomationCollectItems(os::WindowHandle window, std::uint32_t kinds, int n, int column,
                            bool enabledOnly, std::vector<std::u16string>* out);
bool AutomationSelectedEntries(os::WindowHandle window, int n, int column, std::u16string* text);

// Accessibility (MSAA): the n-th accessible edit, static text or cell, and
// GETITEM's accessibility kinds.
bool AccessibleWriteText(os::WindowHandle window, int method, int n, std::u16string_view text,
                         bool replace);
bool AccessibleReadText(os::WindowHandle window, int kind, int n, bool mouse, std::u16string* text);
void AccessibleCollectItems(os::WindowHandle window, std::uint32_t kinds, int maximum,
                            bool enabledOnly, std::vector<std::u16string>* out);
// POSACC: what the accessible object at a screen point says for the kind;
// false when there is no object there.
bool AccessibleInfoAtPoint(int x, int y, int kind, std::u16string* text);
// POSACC on a Java window (Java Access Bridge).
bool JavaInfoAtPoint(os::WindowHandle window, int x, int y, int kind, std::u16string* text);

}  // namespace zelk
