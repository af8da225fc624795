// Asks for the condition of a breakpoint: an expression of the script, and
// the run stops on the line only when it is true.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::window {

// Shows the present condition of the breakpoint on line (0-based); true on
// OK with *condition the trimmed text ("" for none), false on Cancel.
bool AskBreakpointCondition(HWND owner, int line, std::u16string* condition);

}  // namespace zelk::window
