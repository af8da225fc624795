// The Load command's file-open dialog: the system's dialog with one extra
// field for the script's parameters.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::window {

// The parameter field's label and edit box, children of the extra part
// (outside the range the system dialog uses for its own controls).
inline constexpr int kParameterLabelId = 0x3100;
inline constexpr int kParameterEditId = 0x3101;

// The chosen script, then a blank and the parameter text if any; empty
// when the user cancelled.
std::u16string SelectScriptFile(HWND owner);

}  // namespace zelk::window
