// ZelkDebug.exe started as a user starts it, and driven from this process
// with the messages a person's clicks and keys produce.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "debugger_window/main/main_window.h"

namespace zelk::window {
namespace {

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 2000,
                      nullptr);
  return buffer;
}

int Number(const std::wstring& text, const std::wstring& key) {
  const std::size_t at = text.find(key + L": ");
  if (at == std::wstring::npos) return -1;
  return _wtoi(text.c_str() + at + key.size() + 2);
}

bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

struct Found {
  DWORD process;
  HWND window = nullptr;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (process == found->process && std::wstring(cls) == kMainWindowClass) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindGutter(HWND window, LPARAM param) {
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  if (std::wstring(cls) == L"ZelkGutter" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

TEST(ZelkDebugProgram, RunsToABreakpointAndOnAsAUserDrivesIt) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("zelk-program-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path script = folder / "proc.zls";
  std::ofstream(script, std::ios::binary) << "a = 1\r\nPRINT a\r\nPRINT a + 1\r\n";

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path program = std::filesystem::path(self).parent_path() / "ZelkDebug.exe";
  ASSERT_TRUE(std::filesystem::exists(program)) << program.string();
  std::wstring command = L"\"" + program.wstring() + L"\" \"" + script.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process));
  // A failed assertion must not leave the program running.
  struct Ender {
    PROCESS_INFORMATION& process;
    ~Ender() {
      TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  } ender{process};
  WaitForInputIdle(process.hProcess, 10000);
  Found found{process.dwProcessId};
  ASSERT_TRUE(WaitUntil([&] {
    EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
    return found.window != nullptr;
  }));
  HWND main = found.window;
  ASSERT_TRUE(WaitUntil([&] { return Text(main) == L"ZELK Debugger - proc.zls"; }));
  // The program speaks the system's language (the tests also run on a Japanese one).
  const bool japanese = (GetSystemDefaultLangID() & 0x3FF) == LANG_JAPANESE;
  if (const char* want = std::getenv("ZELK_EXPECT_LANGUAGE")) {
    ASSERT_EQ(std::string(want) == "ja", japanese)
        << "the system language is not the one asked for";
  }
  const std::wstring running = japanese ? L" (\u5B9F\u884C\u4E2D)" : L" (Executing)";
  const std::wstring stopped = japanese ? L" (\u505C\u6B62)" : L" (Stop)";

  HWND gutter = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    EnumChildWindows(main, FindGutter, reinterpret_cast<LPARAM>(&gutter));
    return gutter != nullptr && Number(Text(gutter), L"line height") > 0;
  }));
  const std::wstring rows = Text(gutter);
  const int height = Number(rows, L"line height");
  const int y = (2 - Number(rows, L"first")) * height + height / 2;
  SendMessageW(gutter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, y));
  SendMessageW(gutter, WM_LBUTTONUP, 0, MAKELPARAM(4, y));
  EXPECT_EQ(Number(Text(gutter), L"breakpoints"), 2) << Text(gutter).size();

  SendMessageW(GetDlgItem(main, kIdRun), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return Number(Text(gutter), L"current") == 2; }));
  HWND print = GetDlgItem(main, kIdPrint);
  EXPECT_EQ(Text(print), L"");
  EXPECT_EQ(Text(main), L"ZELK Debugger - proc.zls" + running);

  PostMessageW(main, WM_KEYDOWN, VK_F5, 0);
  ASSERT_TRUE(WaitUntil([&] { return Text(main) == L"ZELK Debugger - proc.zls" + stopped; }));
  EXPECT_EQ(Text(print), L"1\r\n2\r\n");

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
}  // namespace zelk::window
