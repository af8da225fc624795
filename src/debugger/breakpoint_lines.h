// Breakpoints on the lines of a source file: which lines can hold one, how
// they follow their lines while the text is edited, and how they find their
// lines again after the file was reloaded from disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelk {

// Whether the line holds an executable statement: not blank or a comment,
// not only ELSE, ENDIF, ENDTEXTBLOCK, ENDMODULE or ENDCLASS, not a FUNCTION,
// PROCEDURE, TEXTBLOCK, CONST, PUBLIC, OPTION, MODULE or CLASS line, and not
// continued on the next line (ending in "_"); for a line of several
// statements joined with ";", one such statement is enough.
bool CanHoldBreakpoint(std::u16string_view line);

// The first line at or after `line` (0-based) that can hold a breakpoint, or
// -1 when none does.
int NextBreakpointLine(const std::vector<std::u16string>& lines, int line);

// Marks parallel to an editor's lines (true: a breakpoint). After an edit
// left the editor with lineCount lines and the caret on caretLine, the marks
// gain or lose as many entries at the caret as the text gained or lost
// lines, so that each breakpoint stays on its line.
void SyncBreakpoints(std::vector<bool>& marks, int lineCount, int caretLine);

// A breakpoint as found again after a reload: the nearest FUNCTION or
// PROCEDURE line above it (or line 0), its distance from there and its text.
struct BreakpointAnchor {
  std::u16string anchorText;
  std::u16string lineText;
  int offset = 0;
};
std::vector<BreakpointAnchor> SaveAnchors(const std::vector<std::u16string>& lines,
                                          const std::vector<bool>& marks);
// The marks for the reloaded lines: a breakpoint comes back where its anchor
// text first appears, at its distance, if that line has its text unchanged.
std::vector<bool> RestoreAnchors(const std::vector<std::u16string>& lines,
                                 const std::vector<BreakpointAnchor>& anchors);

}  // namespace zelk
