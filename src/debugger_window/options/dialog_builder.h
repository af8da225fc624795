// Modal dialogs without resources: an empty in-memory template whose
// controls are made in pixels when the dialog starts.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::window {

// Runs a modal dialog of the given outer size in pixels, centred on owner
// (or on the screen); proc gets param with WM_INITDIALOG.
INT_PTR RunDialog(HWND owner, const std::u16string& caption, int width, int height, DLGPROC proc,
                  LPARAM param);

// A child control of a dialog in client pixels, with the dialog's font.
HWND AddControl(HWND dialog, const wchar_t* className, const std::u16string& text, int id, int x,
                int y, int width, int height, DWORD style);

// Sizes the dialog to its outer size and centres it on its owner, or on
// the screen without one.
void PlaceDialog(HWND dialog, int width, int height);

const wchar_t* Wide(const std::u16string& text);

}  // namespace zelk::window
