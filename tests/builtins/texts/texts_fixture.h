// The text fixture (tests/fixtures/fixture_texts.cpp) as a process a test
// starts, reads the log of, and ends.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../windows/fixture_window.h"

namespace zelk::testing_desktop {

class TextsFixture {
 public:
  explicit TextsFixture(const std::wstring& title, const std::wstring& className = L"") {
    static int serial = 0;
    log_ = Wide(os::TempFolder()) + L"\\zelk-texts-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(++serial) + L".log";
    DeleteFileW(log_.c_str());
    std::wstring command =
        L"\"" + ProgramFolder() + L"fixture_texts.exe\" \"" + log_ + L"\" \"" + title + L"\"";
    if (!className.empty()) command += L" \"" + className + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      ADD_FAILURE() << "fixture_texts.exe did not start: " << GetLastError();
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
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
  ~TextsFixture() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
      }
      // Wine takes a dead process's windows away a little later.
      for (int i = 0; i < 250 && IsWindow(window_); ++i) Sleep(20);
      CloseHandle(process_);
    }
    DeleteFileW(log_.c_str());
  }
  TextsFixture(const TextsFixture&) = delete;
  TextsFixture& operator=(const TextsFixture&) = delete;

  HWND window() const { return window_; }

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
    std::string all;
    for (const std::string& l : Lines()) all += l + "\n";
    return all;
  }

 private:
  std::wstring log_;
  HANDLE process_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace zelk::testing_desktop

#endif  // _WIN32
