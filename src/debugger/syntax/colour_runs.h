// The colouring of one source line: which character ranges show which word
// class. Two colourings compare equal exactly when they look the same, so a
// line whose runs did not change need not be drawn again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "debugger/syntax/appearance_settings.h"

namespace zelk {

struct ColourRun {
  int wordClass = 0;
  int start = 0;  // 0-based offset in the line
  int length = 0;
  bool operator==(const ColourRun&) const = default;
};
using ColourRuns = std::vector<ColourRun>;

// The class a token is coloured with (token upper-cased): its class by the
// word tables, normalised so that classes that look alike give one class.
int ClassifyWord(std::u16string_view token, bool optionLine, bool dllLine,
                 const AppearanceSettings& settings);

// Lines longer than this (only pasting makes them) are shown plain.
inline constexpr std::size_t kColouredLineLimit = 8192;

// The runs of a line, in order; characters outside every run are plain. A
// "//" outside literals starts a comment to the end of the line; TO, STEP
// and IN are syntax only on a FOR line, VAR only on a line with ")".
ColourRuns LineColourRuns(std::u16string_view line, const AppearanceSettings& settings);

// The text form "class,start,length," of each run in turn.
std::u16string RunsText(const ColourRuns& runs);

}  // namespace zelk
