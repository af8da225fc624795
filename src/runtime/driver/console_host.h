// The run host of a console program: PRINT to standard output, errors to
// standard error, every question answered so that the run ends.
#pragma once

#include "runtime/core/run_host.h"

namespace zelk {

class ConsoleHost final : public RunHost {
 public:
  void PrintLine(const std::u16string& text) override;
  void ShowError(const std::u16string& text) override;
  bool AskAbort(const std::u16string& text) override;
  void DebugHook(THensuFmt&, bool) override {}
  void SettleBeforeDialog() override {}
};

}  // namespace zelk
