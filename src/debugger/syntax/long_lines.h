// Source lines have a length limit in the editor. Longer lines are split
// with the language's line continuation, so the lines a script runs with are
// the lines the editor shows.
#pragma once

#include <string>
#include <vector>

namespace zelk {

inline constexpr int kLoadedLineLimit = 1020;  // characters a loaded line keeps
inline constexpr int kTypedLineLimit = 1021;   // typing stops at this length

// Every line longer than kLoadedLineLimit keeps its first kLoadedLineLimit
// characters followed by "_", and the rest becomes the next line (unless the
// rest is just "_"), which is split in turn. A surrogate pair is never cut.
void SplitLongLines(std::vector<std::u16string>& lines);

}  // namespace zelk
