// The pictures of the seven run buttons, drawn with GDI so that the program
// needs no image files; a disabled button shows its picture in grey.
#pragma once

#include <windows.h>

namespace zelk::window {

enum class ToolIcon { kLoad, kSave, kRun, kPause, kStop, kStepIn, kStepOver };

void PaintToolIcon(HDC dc, const RECT& area, ToolIcon icon, bool enabled);
// An owner-drawn button: frame, picture and focus mark.
void PaintToolButton(const DRAWITEMSTRUCT& item, ToolIcon icon);

}  // namespace zelk::window
