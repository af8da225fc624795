// Breakpoints with their conditions, kept across a reload of the file and
// moved with their lines while the text is edited.
#pragma once

#include <string>
#include <vector>

#include "debugger/breakpoint_lines.h"
#include "debugger/editing/text_buffer.h"

namespace zelk {

// A breakpoint as remembered before a reload: where to find its line again,
// and its condition ("" for none).
struct KeptBreakpoint {
  BreakpointAnchor anchor;
  std::u16string condition;
};

// The breakpoints of the lines (marks and conditions parallel to them),
// anchored as SaveAnchors does; a breakpoint on line 0 is not kept.
std::vector<KeptBreakpoint> KeepBreakpoints(const std::vector<std::u16string>& lines,
                                            const std::vector<bool>& marks,
                                            const std::vector<std::u16string>& conditions);

// Marks and conditions for the reloaded lines: each kept breakpoint comes
// back, with its condition, where its anchor text first appears at its
// distance, if that line has its text unchanged (as RestoreAnchors).
void PlaceKeptBreakpoints(const std::vector<std::u16string>& lines,
                          const std::vector<KeptBreakpoint>& kept, std::vector<bool>* marks,
                          std::vector<std::u16string>* conditions);

// Moves the conditions (one per line before the change) the way
// FollowChange moved the marks; marksAfter are the marks after the change.
// A condition stays only on a line that still has its breakpoint.
void FollowChangeConditions(std::vector<std::u16string>& conditions, const LineChange& change,
                            const std::vector<bool>& marksAfter);

}  // namespace zelk
