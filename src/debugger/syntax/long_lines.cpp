#include "debugger/syntax/long_lines.h"

#include "base/code_points.h"

namespace zelk {

void SplitLongLines(std::vector<std::u16string>& lines) {
  bool anyLong = false;
  for (const std::u16string& line : lines) anyLong |= line.size() > kLoadedLineLimit;
  if (!anyLong) return;
  std::vector<std::u16string> result;
  result.reserve(lines.size() + 16);
  for (std::u16string& line : lines) {
    std::u16string rest = std::move(line);
    bool split = false;
    while (rest.size() > kLoadedLineLimit) {
      std::size_t cut = kLoadedLineLimit;
      if (IsHighSurrogate(rest[cut - 1]) && IsLowSurrogate(rest[cut])) --cut;
      result.push_back(rest.substr(0, cut) + u"_");
      rest.erase(0, cut);
      split = true;
    }
    // A rest of just "_" is the continuation the split already wrote.
    if (!split || rest != u"_") result.push_back(std::move(rest));
  }
  lines = std::move(result);
}

}  // namespace zelk
