// Finding a window by title and class among a listing, in the fixed order of
// passes: exact titles before partial ones, the foreground window before the
// others, visible windows before hidden ones.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/windowing.h"

namespace zelk {

// The title GETID uses for "no title given".
inline constexpr std::u16string_view kNoTitle = u"_DF_NONE_TITLE_";

// The position in list of the window that title and className (both
// upper-cased) find, or -1. A class matches a window's class that starts
// with it; no class matches every window. Titles also match on their
// half-width forms.
int FindWindowIn(const std::vector<os::ListedWindow>& list, os::WindowHandle foreground,
                 std::u16string_view title, std::u16string_view className);

// A control's caption as users name it: the text before a TAB, without the
// trailing ":" "." and blanks, the "(&X)" accelerator suffix and every "&".
std::u16string NormalizeCaption(std::u16string_view text);

// Upper case as the system's locale has it.
std::u16string UpperText(std::u16string_view text);
// The half-width form (full-width letters and kana narrowed); text itself
// when it is all ASCII.
std::u16string HalfWidth(std::u16string_view text);

}  // namespace zelk
