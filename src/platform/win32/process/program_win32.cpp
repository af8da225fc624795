// Programs started with CreateProcess, their windows, and the processor's load.
#include <windows.h>

#include <climits>
#include <string>

#include "platform/process.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

class WinProgram final : public Program {
 public:
  explicit WinProgram(const PROCESS_INFORMATION& info) : info_(info) {}
  ~WinProgram() override {
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool WaitEnded(int ms) override {
    return WaitForSingleObject(info_.hProcess, ms < 0 ? 0 : static_cast<DWORD>(ms)) ==
           WAIT_OBJECT_0;
  }
  std::int64_t ExitCode() override {
    DWORD code = 0;
    if (!GetExitCodeProcess(info_.hProcess, &code) || code > INT_MAX) return -1;
    return code;
  }
  bool WaitIdle(int ms) override {
    return WaitForInputIdle(info_.hProcess, ms < 0 ? INFINITE : static_cast<DWORD>(ms)) !=
           WAIT_TIMEOUT;
  }
  std::uintptr_t ProgramWindow(bool* visible) override {
    Search search{info_.dwProcessId, nullptr, nullptr};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    *visible = search.visible != nullptr;
    return reinterpret_cast<std::uintptr_t>(search.visible ? search.visible : search.any);
  }

 private:
  struct Search {
    DWORD process;
    HWND visible;
    HWND any;
  };
  static BOOL CALLBACK Visit(HWND wnd, LPARAM data) {
    Search& search = *reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != search.process) return TRUE;
    if (IsWindowVisible(wnd)) {
      search.visible = wnd;
      return FALSE;
    }
    if (!search.any) search.any = wnd;
    return TRUE;
  }

  PROCESS_INFORMATION info_;
};

}  // namespace

std::unique_ptr<Program> StartProgram(const std::u16string& commandLine,
                                      const std::u16string& folder,
                                      const StartPlacement& placement) {
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESHOWWINDOW;
  start.wShowWindow = SW_SHOWDEFAULT;
  if (placement.HasPosition()) {
    start.dwFlags |= STARTF_USEPOSITION;
    start.dwX = static_cast<DWORD>(placement.x);
    start.dwY = static_cast<DWORD>(placement.y);
  }
  if (placement.HasSize()) {
    start.dwFlags |= STARTF_USESIZE;
    start.dwXSize = static_cast<DWORD>(placement.width);
    start.dwYSize = static_cast<DWORD>(placement.height);
  }
  std::wstring line = Wide(commandLine);
  const std::wstring where = Wide(folder);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                      nullptr, where.empty() ? nullptr : where.c_str(), &start, &info)) {
    return nullptr;
  }
  return std::make_unique<WinProgram>(info);
}

bool HasWindows() {
  return true;
}

bool PlaceWindow(std::uintptr_t window, int x, int y, int width, int height, bool move, bool size) {
  UINT flags = 0;
  if (!move) flags |= SWP_NOMOVE;
  if (!size) flags |= SWP_NOSIZE;
  return win::PlaceWindow(reinterpret_cast<HWND>(window), HWND_TOP, x, y, width, height, flags);
}

std::uintptr_t ForegroundWindow(std::u16string* className) {
  HWND wnd = GetForegroundWindow();
  className->clear();
  if (!wnd) return 0;
  for (char16_t c : win::WindowClassName(wnd)) {
    *className += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  }
  return reinterpret_cast<std::uintptr_t>(wnd);
}

Shell CommandShell() {
  return Shell::kCmd;
}

bool ReadCpuTimes(CpuTimes* times) {
  FILETIME idle, kernel, user;
  if (!GetSystemTimes(&idle, &kernel, &user)) return false;
  auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  // Kernel time includes the idle time.
  times->total = ticks(kernel) + ticks(user);
  const std::uint64_t idleTicks = ticks(idle);
  times->busy = times->total > idleTicks ? times->total - idleTicks : 0;
  return true;
}

}  // namespace zelk::os
