// The window classes this program registers for its own windows.
#pragma once

#include <windows.h>

namespace zelk::win {

// Registers the class the first time it is asked for; later calls with the
// same name do nothing. background CLR_INVALID leaves the painting to the
// window itself.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc, LPCWSTR cursor,
                         COLORREF background = CLR_INVALID, UINT style = 0);

}  // namespace zelk::win
