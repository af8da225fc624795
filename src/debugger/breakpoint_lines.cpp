#include "debugger/breakpoint_lines.h"

#include <algorithm>

#include "base/text_scan.h"

namespace zelk {
namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';

bool IsLineBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == kIdeographicSpace;
}

std::u16string_view TrimLineBlanks(std::u16string_view s) {
  while (!s.empty() && IsLineBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsLineBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsExecutablePiece(std::u16string_view piece) {
  piece = TrimView(piece);
  if (piece.empty()) return false;
  static constexpr std::u16string_view kClosers[] = {u"ELSE", u"ENDIF", u"ENDTEXTBLOCK",
                                                     u"ENDMODULE", u"ENDCLASS"};
  for (std::u16string_view closer : kClosers) {
    if (piece == closer) return false;
  }
  static constexpr std::u16string_view kDefinitions[] = {u"FUNCTION ", u"PROCEDURE ", u"TEXTBLOCK ",
                                                         u"CONST ",    u"PUBLIC ",    u"OPTION ",
                                                         u"MODULE ",   u"CLASS "};
  for (std::u16string_view head : kDefinitions) {
    if (piece.starts_with(head)) return false;
  }
  return piece.back() != u'_';
}

bool IsRoutineHeader(std::u16string_view line) {
  std::u16string upper = UpperAscii(TrimView(line));
  return upper.starts_with(u"PROCEDURE ") || upper.starts_with(u"FUNCTION ");
}

}  // namespace

bool CanHoldBreakpoint(std::u16string_view line) {
  const int comment = PosOutside(u"//", line, false, false);
  if (comment > 0) line = line.substr(0, static_cast<std::size_t>(comment - 1));
  std::u16string text(TrimLineBlanks(line));
  std::replace_if(text.begin(), text.end(), IsLineBlank, u' ');
  text = UpperAscii(Trim(text));
  while (!text.empty()) {
    if (IsExecutablePiece(CutToken(
            text, u";", {.skipEmpty = true, .parens = true, .brackets = true, .quotes = true}))) {
      return true;
    }
  }
  return false;
}

int NextBreakpointLine(const std::vector<std::u16string>& lines, int line) {
  for (int i = std::max(line, 0); i < static_cast<int>(lines.size()); ++i) {
    if (CanHoldBreakpoint(lines[static_cast<std::size_t>(i)])) return i;
  }
  return -1;
}

void SyncBreakpoints(std::vector<bool>& marks, int lineCount, int caretLine) {
  const int count = static_cast<int>(marks.size());
  if (lineCount == count) return;
  const auto n = static_cast<std::size_t>(std::abs(lineCount - count));
  if (lineCount > count) {
    int at = count < caretLine ? caretLine - 1 : caretLine;
    at = std::clamp(at, 0, count);
    marks.insert(marks.begin() + at, n, false);
  } else {
    int at = caretLine < count ? caretLine : caretLine - 1;
    // The marks cover the lines exactly, whatever the caret says.
    at = std::clamp(at, 0, count - static_cast<int>(n));
    marks.erase(marks.begin() + at, marks.begin() + at + static_cast<std::ptrdiff_t>(n));
  }
}

std::vector<BreakpointAnchor> SaveAnchors(const std::vector<std::u16string>& lines,
                                          const std::vector<bool>& marks) {
  std::vector<BreakpointAnchor> anchors;
  const std::size_t count = std::min(lines.size(), marks.size());
  // A breakpoint on line 0 has no line above to anchor it: it is not kept.
  for (std::size_t i = 1; i < count; ++i) {
    if (!marks[i]) continue;
    std::size_t anchor = i;
    while (anchor-- > 0 && !IsRoutineHeader(lines[anchor])) {
    }
    if (anchor == static_cast<std::size_t>(-1)) anchor = 0;
    anchors.push_back({lines[anchor], lines[i], static_cast<int>(i - anchor)});
  }
  return anchors;
}

std::vector<bool> RestoreAnchors(const std::vector<std::u16string>& lines,
                                 const std::vector<BreakpointAnchor>& anchors) {
  std::vector<bool> marks(lines.size(), false);
  for (const BreakpointAnchor& a : anchors) {
    auto found = std::find(lines.begin(), lines.end(), a.anchorText);
    if (found == lines.end()) continue;
    const std::size_t at =
        static_cast<std::size_t>(found - lines.begin()) + static_cast<std::size_t>(a.offset);
    if (at < lines.size() && lines[at] == a.lineText) marks[at] = true;
  }
  return marks;
}

}  // namespace zelk
