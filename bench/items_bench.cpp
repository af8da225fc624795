// What finding a window and an item costs a script: GETID of a window that
// is there, and CLKITEM of one list-view row by its text among 10,000 rows
// of another process, each through a whole script run as zelkrun runs it,
// less the run of an empty script.
//
//   items_bench [ROWS]   (the fixture's rows, 10000 when not given)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "builtins/install.h"
#include "foundation/settings.h"
#include "runtime/core/interpreter.h"
#include "runtime/driver/console_host.h"
#include "runtime/driver/run_driver.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace zelk;

constexpr int kRounds = 5;

std::filesystem::path WriteScript(const std::filesystem::path& folder, const char* name,
                                  const std::string& text) {
  const std::filesystem::path path = folder / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// The best of kRounds runs of the script, in seconds; *failed when a run
// ended with a non-zero status.
double BestRun(const std::filesystem::path& script, bool* failed) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    Interpreter interp;
    InstallBuiltins(interp);
    ConsoleHost host;
    interp.setHost(&host);
    const Clock::time_point start = Clock::now();
    if (RunScriptFile(interp, script.u16string(), {}) != 0) *failed = true;
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rows = argc >= 2 ? _wtoi(argv[1]) : 10000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("zelk-items-bench-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder / "appdata");
  SetupPathsFrom((folder / "zelkrun.exe").u16string(), (folder / "appdata").u16string());

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path fixture =
      std::filesystem::path(self).parent_path() / "fixture_items.exe";
  std::wstring command = L"\"" + fixture.wstring() + L"\" \"" + (folder / "fixture.log").wstring() +
                         L"\" \"ZELK Items Bench\" " + std::to_wstring(rows);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "fixture_items.exe did not start (%lu)\n", GetLastError());
    return 1;
  }
  WaitForInputIdle(process.hProcess, 20000);
  for (int i = 0; i < 500 && !FindWindowW(L"ZelkFixtureItems", L"ZELK Items Bench"); ++i) {
    Sleep(20);
  }

  const std::string find = "id = GETID(\"ZELK Items Bench\")\r\n";
  const std::string wanted = "Row " + std::to_string(rows * 9 / 10 + 7);
  bool failed = false;
  const double empty = BestRun(WriteScript(folder, "empty.zls", "x = 1\r\n"), &failed);
  const double getid =
      BestRun(WriteScript(folder, "getid.zls", find + "IF id < 1 THEN EXITEXIT 3\r\n"), &failed);
  const double clkitem =
      BestRun(WriteScript(folder, "clkitem.zls",
                          find + "IF CLKITEM(id, \"" + wanted +
                              "\", CLK_LISTVIEW, FALSE) = FALSE THEN " + "EXITEXIT 3\r\n"),
              &failed);

  if (failed) {
    std::printf("items bench FAILED: the window or the row was not found\n");
  } else {
    std::printf("GETID of an existing window: %.1f ms\n", (getid - empty) * 1000);
    std::printf("CLKITEM of a list-view node by its text among %d rows: %.1f ms\n", rows,
                (clkitem - getid) * 1000);
  }

  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return failed ? 1 : 0;
}
