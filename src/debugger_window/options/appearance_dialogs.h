// The option dialogs of the debugger: font and colours of the editors,
// transparency of the windows, and the about box. Each is modal.
#pragma once

#include <windows.h>

#include "debugger/syntax/appearance_settings.h"

namespace zelk::window {

// Shows the font and colour dialog preset from settings; on OK the settings
// take the dialog's values and the result is true. Cancel changes nothing.
bool ShowFontDialog(HWND owner, AppearanceSettings& settings);

// Transparency: mode 0 none, 1 the debugger's window, 2 other programs'
// windows over it; value 0..240. True on OK with the new mode and value.
bool ShowTransparencyDialog(HWND owner, int* mode, int* value);

void ShowAbout(HWND owner);

}  // namespace zelk::window
