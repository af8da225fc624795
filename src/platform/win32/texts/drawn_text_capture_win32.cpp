// POSACC's last resort: the text a program draws at a point, caught by
// attaching to it as a debugger for a moment. A breakpoint at the entry of
// each text-drawing function reads the text argument when the program
// repaints the point; each breakpoint is taken away again as it fires.
#include <windows.h>

#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/control_texts.h"
#include "platform/win32/remote_memory.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

// Where each function keeps its text and length (1-based arguments), and
// what it counts for: the text found, or a choice kept in case none is.
enum class Rank { kResult, kSecond, kLast };
struct DrawFunction {
  const wchar_t* module;
  const char* name;
  int textArgument;
  int lengthArgument;
  bool ansi;
  Rank rank;
};
constexpr std::array<DrawFunction, 14> kFunctions = {{
    {L"user32.dll", "DrawTextA", 2, 3, true, Rank::kResult},
    {L"user32.dll", "DrawTextW", 2, 3, false, Rank::kResult},
    {L"user32.dll", "DrawTextExA", 2, 3, true, Rank::kResult},
    {L"user32.dll", "DrawTextExW", 2, 3, false, Rank::kResult},
    {L"user32.dll", "TabbedTextOutA", 4, 5, true, Rank::kResult},
    {L"user32.dll", "TabbedTextOutW", 4, 5, false, Rank::kResult},
    {L"gdi32.dll", "TextOutA", 4, 5, true, Rank::kResult},
    {L"gdi32.dll", "TextOutW", 4, 5, false, Rank::kResult},
    {L"gdi32.dll", "ExtTextOutA", 6, 7, true, Rank::kSecond},
    {L"gdi32.dll", "ExtTextOutW", 6, 7, false, Rank::kSecond},
    {L"gdiplus.dll", "GdipDrawString", 2, 3, false, Rank::kResult},
    {L"gdiplus.dll", "GdipAddPathString", 2, 3, false, Rank::kResult},
    {L"gdiplus.dll", "GdipAddPathStringI", 2, 3, false, Rank::kResult},
    {L"usp10.dll", "ScriptItemize", 1, 2, false, Rank::kLast},
}};

struct Entry {
  HMODULE module = nullptr;    // its base, the same in every process of our width
  std::uintptr_t address = 0;  // 0: not found here
};

// Looked up once: our own process has these modules where the target has them.
const std::array<Entry, kFunctions.size()>& Entries() {
  static const std::array<Entry, kFunctions.size()> entries = [] {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      TOKEN_PRIVILEGES privileges{};
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      if (LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      }
      CloseHandle(token);
    }
    std::array<Entry, kFunctions.size()> all{};
    for (std::size_t i = 0; i < kFunctions.size(); ++i) {
      HMODULE module = GetModuleHandleW(kFunctions[i].module);
      if (!module) module = LoadLibraryW(kFunctions[i].module);
      if (!module) continue;
      all[i].module = module;
      all[i].address = reinterpret_cast<std::uintptr_t>(GetProcAddress(module, kFunctions[i].name));
    }
    return all;
  }();
  return entries;
}

class Capture {
 public:
  Capture(HANDLE process, std::u16string title) : process_(process), title_(std::move(title)) {}

  // Sets the breakpoints of the functions that live in the module at base.
  void ModuleLoaded(std::uintptr_t base) {
    const auto& entries = Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].address == 0 || reinterpret_cast<std::uintptr_t>(entries[i].module) != base ||
          saved_.count(entries[i].address)) {
        continue;
      }
      BYTE original = 0;
      if (!ReadCode(entries[i].address, &original)) continue;
      const BYTE trap = 0xCC;
      if (WriteCode(entries[i].address, trap)) {
        saved_[entries[i].address] = {original, i};
        everSet_.insert(entries[i].address);
      }
    }
  }

  // A breakpoint of ours: the text is read (the first time) and the function
  // let go on at its first instruction. False for any other breakpoint.
  bool Breakpoint(DWORD threadId, std::uintptr_t address) {
    if (!everSet_.count(address)) return false;
    auto found = saved_.find(address);
    HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId);
    if (!thread) return true;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    if (GetThreadContext(thread, &context)) {
      if (found != saved_.end()) {
        Take(kFunctions[found->second.function], context);
        WriteCode(address, found->second.original);
        context.EFlags |= 0x100;  // one step, then the trap flag goes again
        ++steps_;
      }
      // Another thread that reached the byte before it was put back runs
      // the original instruction too.
#if defined(_WIN64)
      context.Rip = address;
#else
      context.Eip = address;
#endif
      SetThreadContext(thread, &context);
    }
    CloseHandle(thread);
    if (found != saved_.end()) saved_.erase(found);
    return true;
  }

  void StepDone(DWORD threadId) {
    if (steps_ > 0) --steps_;
    HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId);
    if (!thread) return;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    if (GetThreadContext(thread, &context)) {
      context.EFlags &= ~0x100u;
      SetThreadContext(thread, &context);
    }
    CloseHandle(thread);
  }

  // Every byte put back, whatever happened.
  void Restore() {
    for (const auto& [address, saved] : saved_) WriteCode(address, saved.original);
    saved_.clear();
  }

  bool found() const {
    return found_;
  }
  // Threads let go with the trap flag whose single step has not come yet:
  // detaching before it comes would leave the trap to the program.
  int pendingSteps() const {
    return steps_;
  }
  std::u16string Result() const {
    if (found_) return result_;
    return !second_.empty() ? second_ : last_;
  }

 private:
  struct Saved {
    BYTE original;
    std::size_t function;
  };

  bool ReadCode(std::uintptr_t address, BYTE* byte) {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, reinterpret_cast<void*>(address), byte, 1, &done) &&
           done == 1;
  }
  bool WriteCode(std::uintptr_t address, BYTE byte) {
    void* at = reinterpret_cast<void*>(address);
    DWORD old = 0;
    const bool unprotected = VirtualProtectEx(process_, at, 1, PAGE_EXECUTE_READWRITE, &old);
    SIZE_T done = 0;
    const bool ok = WriteProcessMemory(process_, at, &byte, 1, &done) && done == 1;
    if (unprotected) VirtualProtectEx(process_, at, 1, old, &old);
    FlushInstructionCache(process_, at, 1);
    return ok;
  }

  // Argument k (1-based) at a function's entry: registers, then the stack
  // past the return address and the callee's spill area (64-bit), or the
  // stack past the return address (32-bit).
  std::uint64_t Argument(const CONTEXT& context, int k) {
#if defined(_WIN64)
    switch (k) {
      case 1:
        return context.Rcx;
      case 2:
        return context.Rdx;
      case 3:
        return context.R8;
      case 4:
        return context.R9;
    }
    std::uint64_t value = 0;
    SIZE_T done = 0;
    ReadProcessMemory(process_, reinterpret_cast<void*>(context.Rsp + 8 * k), &value, 8, &done);
    return value;
#else
    std::uint32_t value = 0;
    SIZE_T done = 0;
    ReadProcessMemory(process_, reinterpret_cast<void*>(context.Esp + 4 * k), &value, 4, &done);
    return value;
#endif
  }

  void Take(const DrawFunction& function, const CONTEXT& context) {
    const std::uint64_t pointer = Argument(context, function.textArgument);
    const int length =
        static_cast<int>(static_cast<std::uint32_t>(Argument(context, function.lengthArgument)));
    if (length == 0 || pointer == 0) return;
    // A terminated text (-1) or an unlikely length: the first 100 characters.
    const bool terminated = length == 1 || length >= 256 || length < 0;
    const std::size_t count = terminated ? 100 : static_cast<std::size_t>(length);
    std::u16string text = ReadText(pointer, count, function.ansi);
    if (terminated) text = text.substr(0, text.find(u'\0'));
    std::erase(text, u'\u4383');
    if (text.empty() || text == title_) return;
    switch (function.rank) {
      case Rank::kResult:
        if (!found_) result_ = text;
        found_ = true;
        break;
      case Rank::kSecond:
        second_ = text;
        break;
      case Rank::kLast:
        last_ = text;
        break;
    }
  }

  std::u16string ReadText(std::uint64_t pointer, std::size_t count, bool ansi) {
    const std::size_t bytes = count * (ansi ? 1 : 2);
    std::string raw(bytes, '\0');
    SIZE_T done = 0;
    // A text that ends before a page boundary: read what can be read.
    while (!ReadProcessMemory(process_, reinterpret_cast<void*>(pointer), raw.data(), raw.size(),
                              &done) &&
           raw.size() > 16) {
      raw.resize(raw.size() / 2);
    }
    raw.resize(done);
    if (!ansi) {
      std::u16string text(raw.size() / 2, u'\0');
      std::memcpy(text.data(), raw.data(), text.size() * 2);
      return text;
    }
    const int n =
        MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), wide.data(), n);
    return win::FromW(wide.data(), wide.size());
  }

  HANDLE process_;
  std::u16string title_;
  std::map<std::uintptr_t, Saved> saved_;
  std::set<std::uintptr_t> everSet_;
  int steps_ = 0;
  bool found_ = false;
  std::u16string result_, second_, last_;
};

// Shown over the point and freed at once: the window below repaints there.
void CoverPoint(int x, int y) {
  static const wchar_t* kClass = L"TFMjiHide";
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kClass;
    RegisterClassW(&cls);
  });
  HWND cover =
      CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClass, L"", WS_POPUP,
                      x - 2, y - 2, 4, 4, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!cover) return;
  ShowWindow(cover, SW_SHOWNOACTIVATE);
  UpdateWindow(cover);
  DestroyWindow(cover);
}

// One debug event handled and continued; true when the process ended.
bool Handle(Capture& capture, const DEBUG_EVENT& event) {
  DWORD status = DBG_CONTINUE;
  switch (event.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
      if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
      break;
    case LOAD_DLL_DEBUG_EVENT:
      capture.ModuleLoaded(reinterpret_cast<std::uintptr_t>(event.u.LoadDll.lpBaseOfDll));
      if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
      break;
    case EXCEPTION_DEBUG_EVENT: {
      const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
      if (record.ExceptionCode == EXCEPTION_BREAKPOINT) {
        capture.Breakpoint(event.dwThreadId,
                           reinterpret_cast<std::uintptr_t>(record.ExceptionAddress));
      } else if (record.ExceptionCode == EXCEPTION_SINGLE_STEP) {
        capture.StepDone(event.dwThreadId);
      } else {
        // The program's own exceptions stay its own.
        status = DBG_EXCEPTION_NOT_HANDLED;
      }
      break;
    }
    default:
      break;
  }
  ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  return event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
}

}  // namespace

bool CaptureDrawnText(WindowHandle window, int x, int y, std::u16string* text) {
  HWND top = reinterpret_cast<HWND>(window);
  HWND under = WindowFromPoint(POINT{x, y});
  if (!IsWindow(top) || !under) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(under, &pid);
  // Our own process cannot be its own debugger; a target of the other width
  // has its modules elsewhere.
  if (pid == 0 || pid == GetCurrentProcessId() || win::IsWindow64(under) != (sizeof(void*) == 8)) {
    return false;
  }
  Entries();
  HANDLE process = OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE,
      pid);
  if (!process) return false;
  if (!DebugActiveProcess(pid)) {
    CloseHandle(process);
    return false;
  }
  DebugSetProcessKillOnExit(FALSE);
  POINT client{x, y};
  ScreenToClient(under, &client);
  const RECT spot{client.x - 1, client.y - 1, client.x + 1, client.y + 1};
  InvalidateRect(under, &spot, FALSE);

  Capture capture(process, win::WindowTitle(top));
  int quiet = 0;
  bool exited = false;
  // However busy the target, the capture ends: at most 500 events.
  for (int events = 0; events < 500 && !capture.found() && !exited;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, 40)) {
      if (++quiet == 2) break;
      CoverPoint(x, y);
      continue;
    }
    ++events;
    exited = Handle(capture, event);
  }
  capture.Restore();
  // The events still queued, and the single steps still to come, are let go
  // before the process is detached.
  for (int waits = 0; !exited && waits < 50;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, capture.pendingSteps() > 0 ? 20 : 0)) {
      if (capture.pendingSteps() == 0) break;
      ++waits;
      continue;
    }
    exited = Handle(capture, event);
  }
  DebugActiveProcessStop(pid);
  CloseHandle(process);
  *text = capture.Result();
  return !text->empty();
}

}  // namespace zelk::os
