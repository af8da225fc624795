// The control fixture (tests/fixtures/fixture_controls.cpp) as a process a
// test starts, reads the log of, and ends; and whole script runs against it.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"
#include "support/interpreter_test.h"

namespace zelk::testing_desktop {

inline std::wstring Wide(std::u16string_view s) {
  return std::wstring(s.begin(), s.end());
}

inline std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

inline std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// One running fixture program (fixture_controls.exe unless another is named;
// each takes LOGFILE TITLE and its own arguments, ROWS by default, and logs
// "READY hwnd").
class FixtureWindow {
 public:
  FixtureWindow(const std::wstring& title, int rows = 10,
                const wchar_t* program = L"fixture_controls.exe")
      : FixtureWindow(title, program, std::to_wstring(rows)) {}
  // A fixture taking LOGFILE TITLE and then arguments of its own.
  FixtureWindow(const std::wstring& title, const wchar_t* program, const std::wstring& arguments) {
    static int serial = 0;
    log_ = Wide(os::TempFolder()) + L"\\zelk-fixture-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(++serial) + L".log";
    DeleteFileW(log_.c_str());
    std::wstring command =
        L"\"" + ProgramFolder() + program + L"\" \"" + log_ + L"\" \"" + title + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      ADD_FAILURE() << "the fixture program did not start: " << GetLastError();
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    WaitForInputIdle(process_, 10000);
    if (!WaitFor("READY ", 10000)) {
      ADD_FAILURE() << "the fixture never logged READY";
      return;
    }
    for (const std::string& line : Lines()) {
      if (line.rfind("READY ", 0) == 0)
        window_ = reinterpret_cast<HWND>(std::stoull(line.substr(6)));
    }
  }
  ~FixtureWindow() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
      }
      // Wine takes a dead process's windows away a little later: the next
      // test must not find this one.
      for (int i = 0; i < 250 && IsWindow(window_); ++i) Sleep(20);
      CloseHandle(process_);
    }
    DeleteFileW(log_.c_str());
  }
  FixtureWindow(const FixtureWindow&) = delete;
  FixtureWindow& operator=(const FixtureWindow&) = delete;

  HWND window() const { return window_; }
  DWORD pid() const { return pid_; }
  HWND Child(const wchar_t* cls, const wchar_t* title = nullptr) const {
    return FindWindowExW(window_, nullptr, cls, title);
  }
  bool Exited(int ms) const { return WaitForSingleObject(process_, static_cast<DWORD>(ms)) == 0; }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in{std::filesystem::path(log_)};
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool Has(const std::string& line) const {
    for (const std::string& l : Lines()) {
      if (l == line) return true;
    }
    return false;
  }
  // Waits until a line starting with prefix (or equal to it) is in the log.
  bool WaitFor(const std::string& prefix, int ms) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      for (const std::string& l : Lines()) {
        if (l.rfind(prefix, 0) == 0) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
  }
  std::string Log() const {
    std::ostringstream all;
    for (const std::string& l : Lines()) all << l << "\n";
    return all.str();
  }
  void ClearLog() const {
    // The fixture appends to its open file; the test remembers where it stood.
    offset_ = Lines().size();
  }
  std::vector<std::string> NewLines() const {
    std::vector<std::string> lines = Lines();
    lines.erase(lines.begin(),
                lines.begin() + static_cast<std::ptrdiff_t>(std::min(offset_, lines.size())));
    return lines;
  }
  bool NewHas(const std::string& line) const {
    for (const std::string& l : NewLines()) {
      if (l == line) return true;
    }
    return false;
  }

 private:
  std::wstring log_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND window_ = nullptr;
  mutable std::size_t offset_ = 0;
};

// Whole runs through the interpreter with the real built-ins.
class DesktopScriptTest : public InterpreterTest {
 protected:
  // Runs the lines as a script file; the exit status.
  int Run(const std::vector<std::u16string>& lines) {
    host.printed.clear();
    host.errors.clear();
    const std::u16string path = os::TempFolder() + u"\\zelk-desktop-test.zls";
    EXPECT_TRUE(SaveTextFile(path, lines, kEncodingUtf8));
    interp.SetMainThread();
    return RunScriptFile(interp, path, {});
  }
  std::string Printed() const {
    std::string all;
    for (const std::u16string& line : host.printed) all += Narrow(line) + "\n";
    return all;
  }
  std::string Errors() const {
    std::string all;
    for (const std::u16string& line : host.errors) all += Narrow(line) + "\n";
    return all;
  }
};

// Lets the other process catch up with what was posted or injected.
inline void Settle(int ms = 200) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

}  // namespace zelk::testing_desktop

#endif  // _WIN32
