// How the debugger window keeps up: opening a large script (reading,
// colouring, gutter) and a run of a script with no breakpoint and tracing off,
// beside the same run through the console program's path in this process.
//
//   window_bench SCRIPT.zls [LINES]   (LINES: the size of the opened script,
//                                      20000 when not given)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "builtins/install.h"
#include "debugger_window/main/main_window.h"
#include "foundation/settings.h"
#include "platform/platform.h"
#include "runtime/driver/console_host.h"
#include "runtime/driver/run_driver.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace zelk;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Dispatches until the queue has been empty for a moment: the window has
// done what the last step asked of it.
void Settle() {
  for (int quiet = 0; quiet < 3;) {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      quiet = 0;
    } else {
      Sleep(1);
      ++quiet;
    }
  }
}

bool Idle(HWND main) {
  auto enabled = [&](int id) { return IsWindowEnabled(GetDlgItem(main, id)) != FALSE; };
  return enabled(window::kIdRun) && enabled(window::kIdLoad) && !enabled(window::kIdStop);
}

std::u16string Text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return std::u16string(text.begin(), text.end());
}

std::string Narrow(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

// A script of about `lines` lines with every colour class in it.
std::filesystem::path WriteLargeScript(const std::filesystem::path& folder, int lines) {
  const std::filesystem::path path = folder / "large.zls";
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < lines / 5; ++i) {
    out << "// block " << i << "\r\n"
        << "x" << i << " = LENGTH(\"text " << i << "\") + " << i << "\r\n"
        << "IFB x" << i << " > TRUE THEN\r\n"
        << "  PRINT G_TIME_YY + x" << i << "\r\n"
        << "ENDIF\r\n";
  }
  return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_bench SCRIPT.zls [LINES]\n");
    return 2;
  }
  const std::filesystem::path script = argv[1];
  const int lines = argc >= 3 ? _wtoi(argv[2]) : 20000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("zelk-window-bench-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder / "appdata");
  SetupPathsFrom((folder / "ZelkDebug.exe").u16string(), (folder / "appdata").u16string());
  const std::filesystem::path large = WriteLargeScript(folder, lines);

  Interpreter interp;
  InstallBuiltins(interp);
  Clock::time_point start = Clock::now();
  HWND main = window::CreateMainWindow(interp, large.u16string(), SW_SHOWNOACTIVATE, false);
  if (main == nullptr) return 1;
  Settle();
  std::printf("open %d lines: %.3f s\n", lines, Seconds(start));
  DestroyWindow(main);
  Settle();

  // The same script three times each way; the best time counts.
  double inWindow = 1e9, direct = 1e9;
  std::string printed;
  main = window::CreateMainWindow(interp, script.u16string(), SW_SHOWNOACTIVATE, false);
  if (main == nullptr) return 1;
  Settle();
  for (int round = 0; round < 3; ++round) {
    SetWindowTextW(GetDlgItem(main, window::kIdPrint), L"");
    start = Clock::now();
    SendMessageW(GetDlgItem(main, window::kIdRun), BM_CLICK, 0, 0);
    while (!Idle(main)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    inWindow = std::min(inWindow, Seconds(start));
    Settle();
    printed = Narrow(Text(GetDlgItem(main, window::kIdPrint)));
  }
  DestroyWindow(main);
  Settle();

  for (int round = 0; round < 3; ++round) {
    Interpreter console;
    InstallBuiltins(console);
    ConsoleHost host;
    console.setHost(&host);
    start = Clock::now();
    RunScriptFile(console, script.u16string(), {});
    direct = std::min(direct, Seconds(start));
  }
  while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r')) printed.pop_back();
  std::printf("run in the window: %.3f s (printed %s)\n", inWindow, printed.c_str());
  std::printf("run as zelkrun runs it: %.3f s\n", direct);
  std::printf("window / zelkrun: %.2f\n", direct > 0 ? inWindow / direct : 0.0);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
