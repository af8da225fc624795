// While a run goes on, the five run keys reach the debugger even when another
// program has the focus: a low-level keyboard hook posts each press to the
// window as the hotkey message. Presses that programs synthesise (the
// script's own key emulation among them) are left alone, so a script that
// presses F5 does not press the debugger's Run.
#pragma once

#include <windows.h>

#include <array>

namespace zelk::window {

void StartGlobalRunKeys(HWND window, const std::array<int, 5>& codes);
void StopGlobalRunKeys();

// Whether a key press seen by the hook is one for the window: a run key
// typed by the user (not injected) while a window of another process is in front.
bool IsGlobalRunKey(const KBDLLHOOKSTRUCT& key, const std::array<int, 5>& codes,
                    DWORD foregroundProcess);

}  // namespace zelk::window
