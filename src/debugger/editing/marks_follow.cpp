#include "debugger/editing/marks_follow.h"

#include <algorithm>

#include "debugger/breakpoint_lines.h"

namespace zelk {

bool FollowChange(std::vector<bool>& marks, const LineChange& change,
                  const std::vector<std::u16string>& lines) {
  const std::vector<bool> before = marks;
  const int first = change.firstLine;
  if (static_cast<int>(marks.size()) <= change.oldLastLine) {
    marks.resize(static_cast<std::size_t>(change.oldLastLine) + 1, false);
  }
  // When nothing of the first line stays in front of the change and the
  // last line is kept whole, that last line's text ends up on the last new
  // line, and its mark goes with it. Otherwise the first line keeps its mark.
  const bool movedWhole = change.startColumn == 0 && change.endColumn == 0;
  bool mark = marks[static_cast<std::size_t>(movedWhole ? change.oldLastLine : first)];
  const int target = movedWhole ? change.newLastLine : first;
  const bool splitInMiddle = change.oldLastLine == first && change.newLastLine > first &&
                             change.startColumn > 0 && change.startColumn < change.oldFirstLength;
  if (splitInMiddle) mark = false;

  marks.erase(marks.begin() + first, marks.begin() + change.oldLastLine + 1);
  marks.insert(marks.begin() + first, static_cast<std::size_t>(change.newLastLine - first) + 1,
               false);
  marks[static_cast<std::size_t>(target)] = mark;
  marks.resize(lines.size(), false);
  for (int line = first; line <= change.newLastLine && line < static_cast<int>(lines.size());
       ++line) {
    if (marks[static_cast<std::size_t>(line)] &&
        !CanHoldBreakpoint(lines[static_cast<std::size_t>(line)])) {
      marks[static_cast<std::size_t>(line)] = false;
    }
  }
  return marks != before;
}

}  // namespace zelk
