// Window, message, shortcut and drop helpers that exist only on Windows.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace zelk::win {

// Window text and class name, each cut to at most 300 characters.
std::u16string WindowTitle(HWND wnd);
std::u16string WindowClassName(HWND wnd);

// The desktop window manager's extended frame bounds; false when the window
// manager does not provide them (older systems, Wine).
bool DwmFrameBounds(HWND wnd, RECT* bounds);
// The visible frame: the extended frame bounds, else GetWindowRect (all zero
// when both fail).
RECT VisibleWindowRect(HWND wnd);
// Width and height of the window rectangle beyond the visible frame; both 0
// when either rectangle is unknown or the frame is larger.
SIZE InvisibleBorder(HWND wnd);

struct Placement {
  int x, y, cx, cy;
};
// The window rectangle whose visible frame is x, y, cx, cy given its border.
Placement PlacementForFrame(SIZE border, int x, int y, int cx, int cy);
// SetWindowPos with x, y, cx, cy naming the visible frame; true on success.
bool PlaceWindow(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Top-left corner for a width x height window wanted at left, top that keeps
// it on the desktop: pushed back from the right and bottom edges first, then
// from the left and top edges, which win when the window is too large.
POINT ClampToDesktop(const RECT& desktop, int left, int top, int width, int height);
// Moves a top-level window to left, top clamped to the virtual desktop.
bool MoveFormOnScreen(HWND form, int left, int top);

// n times: yield the time slice, then dispatch every pending message.
void PumpMessages(int n);

// When path names a shell shortcut: path becomes its target, *arguments " "
// plus its arguments (empty without any), result true. Otherwise path stays,
// *arguments is empty and the result false. arguments may be null.
bool ResolveShortcut(std::u16string& path, std::u16string* arguments);

// Names of dropped files (each at most 1200 characters) joined with TAB; only
// the first one unless all.
std::u16string DroppedFileNames(HDROP drop, bool all);

// A standard message box; the pressed button's identifier. An empty caption
// leaves the system's default caption.
int ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT type);

}  // namespace zelk::win
