// Searching the editor's lines, and the words under a place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "debugger/editing/text_buffer.h"

namespace zelk {

// Where text occurs, ignoring case, searching from caret without wrapping
// around. Downward: after the character at the caret on its line, then the
// following lines, first occurrence. Upward: ending before the caret on its
// line, then the preceding lines, last occurrence of each line. Nothing for
// an empty text.
std::optional<TextPos> FindInLines(const std::vector<std::u16string>& lines, TextPos caret,
                                   std::u16string_view text, bool downward);

// The run of letters A-Z (either case) around column of line, upper-cased;
// empty when the character there is no such letter.
std::u16string HelpWordAt(std::u16string_view line, int column);

// The columns [*start, *end) of the word at column, for a double click:
// a name (letters, digits, _, $, @ and every non-ASCII character), or a run
// of blanks, or one other character. Never includes trailing blanks.
void WordBounds(std::u16string_view line, int column, int* start, int* end);

}  // namespace zelk
