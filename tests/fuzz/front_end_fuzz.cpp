// Feeds arbitrary bytes through assembly and preprocessing as a main script
// file, then evaluates each statement text in check mode (names are tested,
// calls are not run), so that nothing the fuzzer writes can loop. Every input
// must end in rows or messages: no crash, no hang, no sanitizer report.
// The dictionary beside this file (built-in names, nesting shapes) is used
// unless the command line names one.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "builtins/install.h"
#include "foundation/user_interface.h"
#include "frontend/statement_table.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/run_host.h"
#include "runtime/expr/evaluate.h"
#include "silent_interface.h"

namespace {

class SilentHost final : public zelk::RunHost {
 public:
  void PrintLine(const std::u16string&) override {}
  void ShowError(const std::u16string&) override {}
  bool AskAbort(const std::u16string&) override { return true; }
  void DebugHook(zelk::THensuFmt&, bool) override {}
  void SettleBeforeDialog() override {}
};

struct Setup {
  Setup() {
    zelk::SetUserInterface(&silentUi);
    folder = zelk::os::TempFolder() + u"/zelk-fuzz";
    zelk::os::CreateFolder(folder);
    zelk::os::SetCurrentFolder(folder);
    path = folder + u"/main.zls";
  }
  zelk::fuzz::SilentInterface silentUi;
  std::u16string folder, path;
};

constexpr int kMaxEvaluatedRows = 400;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "-dict=", 6) == 0) return 0;
  }
  std::string_view source = __FILE__;
  static std::string dict =
      "-dict=" + std::string(source.substr(0, source.find_last_of("/\\") + 1)) + "front_end.dict";
  static std::vector<char*> args;
  args.assign(*argv, *argv + *argc);
  args.push_back(dict.data());
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  static SilentHost host;
  auto file = zelk::os::OpenFile(setup.path, zelk::os::OpenHow::kCreateTruncate, false, nullptr);
  if (!file) return 0;
  file->Rewrite(std::string_view(reinterpret_cast<const char*>(data), size));
  file.reset();

  zelk::Interpreter interp;
  interp.setHost(&host);
  zelk::InstallBuiltins(interp);
  interp.assembly.setMainPath(setup.path);
  if (!interp.assembly.AssembleScript()) return 0;
  interp.preprocessor.FReLoad(interp.assembly.combinedSource());

  interp.run.checkPhase = true;
  const auto& rows = interp.table.StmtTexts;
  int evaluated = 0;
  for (const std::u16string& row : rows) {
    if (row.empty() || zelk::IsErrorRow(row)) continue;
    if (++evaluated > kMaxEvaluatedRows) break;
    interp.run.errorFlag = 0;
    zelk::Value value;
    zelk::Evaluate(row, interp.global, &value);
  }
  return 0;
}
