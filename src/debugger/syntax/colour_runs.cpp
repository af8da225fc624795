#include "debugger/syntax/colour_runs.h"

#include <algorithm>
#include <string>

#include "base/text_scan.h"

namespace zelk {
namespace {

constexpr std::u16string_view kTokenDelimiters = u" ,;()+-*/:!=<>{}[]";

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// Appends a run, joining it to the previous one when both have the same
// class and touch: text shown alike reads back as one run.
void AddRun(ColourRuns& runs, int wordClass, int start, int length) {
  if (wordClass == kPlainWord || length <= 0) return;
  if (!runs.empty() && runs.back().wordClass == wordClass &&
      runs.back().start + runs.back().length == start) {
    runs.back().length += length;
    return;
  }
  runs.push_back({wordClass, start, length});
}

}  // namespace

int ClassifyWord(std::u16string_view token, bool optionLine, bool dllLine,
                 const AppearanceSettings& settings) {
  return NormaliseClass(TableWordClass(token, optionLine, dllLine), settings);
}

ColourRuns LineColourRuns(std::u16string_view line, const AppearanceSettings& settings) {
  ColourRuns runs;
  // Cutting tokens costs time in the square of the length.
  if (line.size() > kColouredLineLimit) return runs;
  const int comment = PosOutside(u"//", line, false, false);
  std::u16string text(comment > 0 ? line.substr(0, static_cast<std::size_t>(comment - 1)) : line);
  std::replace_if(
      text.begin(), text.end(), [](char16_t c) { return c == u'\t' || c == u'\u3000'; }, u' ');
  text = UpperAscii(text);

  const bool optionLine = Contains(text, u"OPTION ");
  const bool dllLine = Contains(text, u"DEF_DLL ");
  const bool forLine = Contains(text, u"FOR ");
  const bool hasParen = Contains(text, u")");
  const int length = static_cast<int>(text.size());
  std::u16string rest = text;
  while (!TrimView(rest).empty()) {
    char16_t found = 0;
    const std::u16string token = CutTokenAt(rest, kTokenDelimiters, {.quotes = true}, &found);
    int wordClass = TableWordClass(token, optionLine, dllLine);
    if (wordClass == kSyntaxWord &&
        (((token == u"TO" || token == u"STEP" || token == u"IN") && !forLine) ||
         (token == u"VAR" && !hasParen))) {
      wordClass = kPlainWord;
    }
    const int tokenLength = static_cast<int>(token.size());
    const int start = length - static_cast<int>(rest.size()) - tokenLength - (found ? 1 : 0);
    AddRun(runs, NormaliseClass(wordClass, settings), start, tokenLength);
  }
  if (comment > 0) {
    // The comment is normalised like every other class, so that a comment
    // that looks like plain text or like another class reads back the same.
    AddRun(runs, NormaliseClass(kCommentText, settings), comment - 1,
           static_cast<int>(line.size()) - (comment - 1));
  }
  return runs;
}

std::u16string RunsText(const ColourRuns& runs) {
  std::string text;
  for (const ColourRun& run : runs) {
    text += std::to_string(run.wordClass) + ',' + std::to_string(run.start) + ',' +
            std::to_string(run.length) + ',';
  }
  return std::u16string(text.begin(), text.end());
}

}  // namespace zelk
