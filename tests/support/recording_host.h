// A run host for tests: it records what a run prints, shows and asks, and can
// press Stop after a number of rows.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "runtime/core/run_host.h"

namespace zelk {

class RecordingHost final : public RunHost {
 public:
  void PrintLine(const std::u16string& text) override { printed.push_back(text); }
  void ReplacePrintWindow(const std::deque<std::u16string>& lines) override {
    replacedWith.push_back(lines.size());
  }
  void ShowError(const std::u16string& text) override { errors.push_back(text); }
  bool AskAbort(const std::u16string& text) override {
    questions.push_back(text);
    return abortAnswer;
  }
  // Rows before they run (curOffset) and the bodies that ended (baseIndex).
  void DebugHook(THensuFmt& context, bool atEnd) override;
  // The row's line reference ("file,line").
  void ShowErrorRow(THensuFmt& context) override;

  std::vector<std::u16string> printed, errors, questions, errorRows;
  std::vector<std::size_t> replacedWith;  // line counts the print window was given
  std::vector<int> hookedRows;
  std::vector<int> endedBodies;
  bool abortAnswer = true;
  int stopAfter = 0;          // the Stop button, pressed once at that many hooked rows
  std::u16string stopAtText;  // or once at the first row with this text
  bool stopped = false;
};

}  // namespace zelk
