// Breakpoint marks that stay with their lines while the text is edited.
#pragma once

#include <string>
#include <vector>

#include "debugger/editing/text_buffer.h"

namespace zelk {

// Moves the marks (one per line before the change) to where their lines are
// after it; lines is the text after the change, and the result has one mark
// per line. A line that moved down whole (a line break inserted at its
// start) keeps its mark, a line split in its middle loses it, and so does a
// changed line that can no longer hold a breakpoint. Returns whether any
// mark changed or moved.
bool FollowChange(std::vector<bool>& marks, const LineChange& change,
                  const std::vector<std::u16string>& lines);

}  // namespace zelk
