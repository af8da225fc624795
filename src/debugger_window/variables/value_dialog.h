// The small dialogs of a variable change: the value box and the question
// whether a typed word is text or the value it names.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "debugger/views/value_edit.h"

namespace zelk::window {

// Control ids, for the keyboard and for tests driving the dialogs.
inline constexpr int kValueNameLabel = 101;
inline constexpr int kValueEdit = 102;
inline constexpr int kValueKindLabel = 103;
inline constexpr int kKindTextChoice = 201;   // answer 0
inline constexpr int kKindValueChoice = 202;  // answer 1

// The value box: caption "Local" or "Global", the variable's name, the text
// to change and the kind's description. The text on OK, nothing on Cancel.
std::optional<std::u16string> AskValue(HWND owner, const std::u16string& caption,
                                       const std::u16string& name, const std::u16string& text,
                                       const std::u16string& kind);

// The question's answer (0 or 1), or -1 when the box was closed.
int AskKindChoice(HWND owner, const KindQuestion& question);

}  // namespace zelk::window
