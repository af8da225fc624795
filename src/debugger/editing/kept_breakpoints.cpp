#include "debugger/editing/kept_breakpoints.h"

#include <algorithm>

namespace zelk {

std::vector<KeptBreakpoint> KeepBreakpoints(const std::vector<std::u16string>& lines,
                                            const std::vector<bool>& marks,
                                            const std::vector<std::u16string>& conditions) {
  const std::vector<BreakpointAnchor> anchors = SaveAnchors(lines, marks);
  std::vector<KeptBreakpoint> kept;
  kept.reserve(anchors.size());
  // SaveAnchors gives one anchor per marked line from line 1 on, in order.
  std::size_t next = 0;
  const std::size_t count = std::min(lines.size(), marks.size());
  for (std::size_t i = 1; i < count && next < anchors.size(); ++i) {
    if (!marks[i]) continue;
    kept.push_back({anchors[next++], i < conditions.size() ? conditions[i] : u""});
  }
  return kept;
}

void PlaceKeptBreakpoints(const std::vector<std::u16string>& lines,
                          const std::vector<KeptBreakpoint>& kept, std::vector<bool>* marks,
                          std::vector<std::u16string>* conditions) {
  marks->assign(lines.size(), false);
  conditions->assign(lines.size(), u"");
  for (const KeptBreakpoint& k : kept) {
    const auto found = std::find(lines.begin(), lines.end(), k.anchor.anchorText);
    if (found == lines.end() || k.anchor.offset < 0) continue;
    const std::size_t at =
        static_cast<std::size_t>(found - lines.begin()) + static_cast<std::size_t>(k.anchor.offset);
    if (at >= lines.size() || lines[at] != k.anchor.lineText) continue;
    (*marks)[at] = true;
    (*conditions)[at] = k.condition;
  }
}

void FollowChangeConditions(std::vector<std::u16string>& conditions, const LineChange& change,
                            const std::vector<bool>& marksAfter) {
  const int first = change.firstLine;
  if (static_cast<int>(conditions.size()) <= change.oldLastLine) {
    conditions.resize(static_cast<std::size_t>(change.oldLastLine) + 1);
  }
  // The one line of the changed range whose breakpoint can survive, as the
  // marks see it: the last one when it moved down whole, else the first.
  const bool movedWhole = change.startColumn == 0 && change.endColumn == 0;
  std::u16string kept =
      std::move(conditions[static_cast<std::size_t>(movedWhole ? change.oldLastLine : first)]);
  const int target = movedWhole ? change.newLastLine : first;
  conditions.erase(conditions.begin() + first, conditions.begin() + change.oldLastLine + 1);
  conditions.insert(conditions.begin() + first,
                    static_cast<std::size_t>(change.newLastLine - first) + 1, u"");
  conditions[static_cast<std::size_t>(target)] = std::move(kept);
  conditions.resize(marksAfter.size());
  for (std::size_t line = 0; line < conditions.size(); ++line) {
    if (!marksAfter[line]) conditions[line].clear();
  }
}

}  // namespace zelk
