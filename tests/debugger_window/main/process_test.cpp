// ZelkDebug.exe started as a user starts it, and driven from this process
// with the messages a person's clicks and keys produce.
#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "debugger_window/editor/file_change_check.h"
#include "debugger_window/main/main_window.h"
#include "debugger_window/variables/value_dialog.h"

namespace zelk::window {
namespace {

using Clock = std::chrono::steady_clock;

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

std::wstring ClassOf(HWND window) {
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  return cls;
}

struct Search {
  DWORD process = 0;
  std::function<bool(HWND)> wanted;
  HWND found = nullptr;
};

BOOL CALLBACK Take(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if ((search->process == 0 || process == search->process) && search->wanted(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The script in a folder of its own and ZelkDebug.exe started on it; a
// failed assertion must not leave the program running, so the destructor
// ends it.
class Program {
 public:
  Program(const std::string& name, const std::string& text) {
    folder_ = std::filesystem::temp_directory_path() /
              ("zelk-program-" + std::to_string(GetCurrentProcessId()) + "-" + name);
    std::filesystem::create_directories(folder_);
    script_ = folder_ / (name + ".zls");
    std::ofstream(script_, std::ios::binary) << text;
    caption_ = L"ZELK Debugger - " + script_.filename().wstring();
    japanese_ = (GetSystemDefaultLangID() & 0x3FF) == LANG_JAPANESE;
  }
  ~Program() {
    if (remote_) VirtualFreeEx(process_.hProcess, remote_, 0, MEM_RELEASE);
    if (process_.hProcess) {
      TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts the program and waits for its window with the script's title.
  void Start() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program =
        std::filesystem::path(self).parent_path() / "ZelkDebug.exe";
    ASSERT_TRUE(std::filesystem::exists(program)) << program.string();
    std::wstring command = L"\"" + program.wstring() + L"\" \"" + script_.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process_));
    WaitForInputIdle(process_.hProcess, 10000);
    ASSERT_TRUE(WaitUntil([&] {
      main_ = TopLevel([](HWND w) { return ClassOf(w) == kMainWindowClass; });
      return main_ != nullptr;
    }));
    ASSERT_TRUE(WaitUntil([&] { return Text(main_) == caption_; })) << Text(main_).size();
    ASSERT_TRUE(WaitUntil([&] { return LineHeight() > 0; }));
  }

  const std::filesystem::path& Script() const { return script_; }
  HANDLE Process() const { return process_.hProcess; }
  HWND Main() const { return main_; }
  HWND Item(int id) const { return GetDlgItem(main_, id); }
  bool Japanese() const { return japanese_; }
  std::wstring Title() const { return Text(main_); }
  std::wstring Running() const {
    return caption_ + (japanese_ ? L" (\u5B9F\u884C\u4E2D)" : L" (Executing)");
  }
  std::wstring Stopped() const { return caption_ + (japanese_ ? L" (\u505C\u6B62)" : L" (Stop)"); }
  std::wstring Printed() const { return Text(Item(kIdPrint)); }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  bool Paused() const { return Enabled(kIdRun) && Enabled(kIdStop) && !Enabled(kIdPause); }
  void Click(int id) const { PostMessageW(Item(id), BM_CLICK, 0, 0); }
  void Key(WPARAM key) const { PostMessageW(main_, WM_KEYDOWN, key, 0); }

  HWND TopLevel(std::function<bool(HWND)> wanted) const {
    Search search{process_.dwProcessId, std::move(wanted)};
    EnumWindows(Take, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND Child(std::function<bool(HWND)> wanted) const {
    Search search{0, std::move(wanted)};
    EnumChildWindows(main_, Take, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  // The editor is made again when its file is reloaded: found anew each time.
  HWND Visible(const wchar_t* cls) const {
    return Child([cls](HWND w) { return ClassOf(w) == cls && IsWindowVisible(w); });
  }
  std::wstring Gutter() const { return Text(Visible(L"ZelkGutter")); }
  int LineHeight() const { return Number(Gutter(), L"line height"); }
  int Current() const { return Number(Gutter(), L"current"); }
  bool PausedAt(int line) const { return Paused() && Current() == line; }

  // Clicks the gutter beside a 1-based line, where a person would.
  void ClickGutter(int line) const {
    HWND gutter = Visible(L"ZelkGutter");
    const std::wstring rows = Text(gutter);
    const int height = Number(rows, L"line height");
    const int y = (line - Number(rows, L"first")) * height + height / 2;
    SendMessageW(gutter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, y));
    SendMessageW(gutter, WM_LBUTTONUP, 0, MAKELPARAM(4, y));
  }

  // The variable grids: list views of the panel, 1001 global and 1002 local.
  HWND Grid(bool local) const {
    const int id = local ? 1002 : 1001;
    return Child([id](HWND w) {
      return ClassOf(w) == L"SysListView32" && GetDlgCtrlID(w) == id &&
             ClassOf(GetParent(w)) == L"ZelkVariablesPanel";
    });
  }
  int Rows(HWND list) const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
  // A cell's text as shown, read as an automation tool reads another
  // program's list view: through memory of that program.
  std::wstring Cell(HWND list, int row, int column) {
    constexpr int kChars = 1024;
    char* remote = Remote();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iSubItem = column;
    item.cchTextMax = kChars;
    item.pszText = reinterpret_cast<wchar_t*>(remote + kTextOffset);
    const wchar_t none = 0;
    WriteProcessMemory(process_.hProcess, remote, &item, sizeof(item), nullptr);
    WriteProcessMemory(process_.hProcess, remote + kTextOffset, &none, sizeof(none), nullptr);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(remote), SMTO_BLOCK, 2000, &length);
    wchar_t buffer[kChars] = {};
    ReadProcessMemory(process_.hProcess, remote + kTextOffset, buffer,
                      sizeof(wchar_t) * (kChars - 1), nullptr);
    return buffer;
  }
  int FindRow(HWND list, const std::wstring& name) {
    for (int row = 0, rows = Rows(list); row < rows; ++row) {
      if (Cell(list, row, 0) == name) return row;
    }
    return -1;
  }
  // The value column of the row with that name ("?" when there is none).
  std::wstring Value(bool local, const std::wstring& name) {
    HWND list = Grid(local);
    const int row = FindRow(list, name);
    return row < 0 ? L"?" : Cell(list, row, 1);
  }
  // The main program's variables: in whichever grid shows them.
  std::wstring Shown(const std::wstring& name) {
    const std::wstring global = Value(false, name);
    return global != L"?" ? global : Value(true, name);
  }

  // Double-clicks the name cell of a row where a person would. Posted: the
  // value box that opens is modal.
  void DoubleClick(HWND list, int row) {
    char* remote = Remote();
    RECT cell{};
    cell.left = LVIR_BOUNDS;
    WriteProcessMemory(process_.hProcess, remote, &cell, sizeof(cell), nullptr);
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process_.hProcess, remote, &cell, sizeof(cell), nullptr);
    POINT at{cell.left + 8, (cell.top + cell.bottom) / 2};
    POINT screen = at;
    ClientToScreen(list, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(list, WM_LBUTTONUP, 0, where);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageW(list, WM_LBUTTONUP, 0, where);
  }

  // A dialog of the program that has the control id.
  HWND Dialog(int control) const {
    return TopLevel([control](HWND w) {
      return ClassOf(w) == L"#32770" && IsWindowVisible(w) && GetDlgItem(w, control) != nullptr;
    });
  }

  // Types into a control with the characters a keyboard sends, over its text.
  static void Type(HWND control, const std::wstring& text) {
    SendMessageW(control, EM_SETSEL, 0, -1);
    for (wchar_t c : text) SendMessageW(control, WM_CHAR, c, 0);
  }

  // A key pressed on the keyboard with Shift held, while the program is in
  // front: the program sees Shift in its own key state.
  bool ShiftKey(WORD key) const {
    SetForegroundWindow(main_);
    if (!WaitUntil([&] { return GetForegroundWindow() == main_; }, 3000)) return false;
    INPUT input[4] = {};
    const WORD keys[4] = {VK_SHIFT, key, key, VK_SHIFT};
    for (int i = 0; i < 4; ++i) {
      input[i].type = INPUT_KEYBOARD;
      input[i].ki.wVk = keys[i];
      input[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(keys[i], MAPVK_VK_TO_VSC));
      input[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    return SendInput(4, input, sizeof(INPUT)) == 4;
  }

 private:
  static constexpr std::size_t kTextOffset = 256;
  char* Remote() {
    if (!remote_) {
      remote_ = VirtualAllocEx(process_.hProcess, nullptr, 4096, MEM_COMMIT | MEM_RESERVE,
                               PAGE_READWRITE);
    }
    return static_cast<char*>(remote_);
  }

  std::filesystem::path folder_;
  std::filesystem::path script_;
  std::wstring caption_;
  bool japanese_ = false;
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
  void* remote_ = nullptr;
};

// The program speaks the system's language (the tests also run on a Japanese one).
void CheckLanguage(const Program& program) {
  if (const char* want = std::getenv("ZELK_EXPECT_LANGUAGE")) {
    ASSERT_EQ(std::string(want) == "ja", program.Japanese())
        << "the system language is not the one asked for";
  }
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

TEST(ZelkDebugProgram, RunsToABreakpointAndOnAsAUserDrivesIt) {
  Program program("proc", "a = 1\r\nPRINT a\r\nPRINT a + 1\r\n");
  ASSERT_NO_FATAL_FAILURE(program.Start());
  ASSERT_NO_FATAL_FAILURE(CheckLanguage(program));
  program.ClickGutter(2);
  EXPECT_EQ(Number(program.Gutter(), L"breakpoints"), 2) << Narrow(program.Gutter());

  program.Click(kIdRun);
  ASSERT_TRUE(WaitUntil([&] { return program.Current() == 2; }));
  EXPECT_EQ(program.Printed(), L"");
  EXPECT_EQ(program.Title(), program.Running());

  program.Key(VK_F5);
  ASSERT_TRUE(WaitUntil([&] { return program.Title() == program.Stopped(); }));
  EXPECT_EQ(program.Printed(), L"1\r\n2\r\n");

  PostMessageW(program.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(program.Process(), 10000), WAIT_OBJECT_0);
}

// Steps through a function, changes its parameter in the local grid while
// paused, and stops the loop that follows.
TEST(ZelkDebugProgram, StepsChangesAVariableAndStopsAtOnce) {
  Program program("steps",
                  "x = 1\r\n"              // 1
                  "x = Twice(x)\r\n"       // 2
                  "PRINT x\r\n"            // 3
                  "i = 0\r\n"              // 4
                  "WHILE TRUE\r\n"         // 5
                  "  i = i + 1\r\n"        // 6
                  "WEND\r\n"               // 7
                  "FUNCTION Twice(n)\r\n"  // 8
                  "  RESULT = n * 2\r\n"   // 9
                  "  n = 0\r\n"            // 10: Step Over would stop here
                  "FEND\r\n");             // 11
  ASSERT_NO_FATAL_FAILURE(program.Start());
  ASSERT_NO_FATAL_FAILURE(CheckLanguage(program));

  program.Key(VK_F7);  // Step In from idle stops at the first statement
  ASSERT_TRUE(WaitUntil([&] { return program.PausedAt(1); })) << Narrow(program.Gutter());
  EXPECT_EQ(program.Title(), program.Running());
  program.Key(VK_F8);
  ASSERT_TRUE(WaitUntil([&] { return program.PausedAt(2); })) << Narrow(program.Gutter());
  EXPECT_TRUE(WaitUntil([&] { return program.Shown(L"X") == L"1"; }))
      << Narrow(program.Shown(L"X"));
  program.Click(kIdStepIn);  // the toolbar's Step In
  ASSERT_TRUE(WaitUntil([&] { return program.PausedAt(9); })) << Narrow(program.Gutter());
  ASSERT_TRUE(WaitUntil([&] { return program.Value(true, L"N") == L"1"; }))
      << Narrow(program.Value(true, L"N"));

  HWND local = program.Grid(true);
  program.DoubleClick(local, program.FindRow(local, L"N"));
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = program.Dialog(kValueEdit)) != nullptr; }))
      << "no value box";
  EXPECT_EQ(Text(box), L"Local");
  EXPECT_EQ(Text(GetDlgItem(box, kValueNameLabel)), L"N");
  EXPECT_EQ(Text(GetDlgItem(box, kValueEdit)), L"1");
  Program::Type(GetDlgItem(box, kValueEdit), L"21");
  EXPECT_EQ(Text(GetDlgItem(box, kValueEdit)), L"21");
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(WaitUntil([&] { return program.Value(true, L"N") == L"21"; }))
      << Narrow(program.Value(true, L"N"));

  ASSERT_TRUE(program.ShiftKey(VK_F8)) << "the program could not be brought to the front";
  ASSERT_TRUE(WaitUntil([&] { return program.Paused() && program.Current() != 9; }))
      << Narrow(program.Gutter());
  ASSERT_TRUE(program.Current() == 2 || program.Current() == 3) << program.Current();
  if (program.Current() == 2) {
    program.Click(kIdStepOver);
    ASSERT_TRUE(WaitUntil([&] { return program.PausedAt(3); })) << Narrow(program.Gutter());
  }
  EXPECT_TRUE(WaitUntil([&] { return program.Shown(L"X") == L"42"; }))
      << Narrow(program.Shown(L"X"));
  program.Key(VK_F8);
  ASSERT_TRUE(WaitUntil([&] { return program.PausedAt(4); })) << Narrow(program.Gutter());
  EXPECT_EQ(program.Printed(), L"42\r\n");

  program.Key(VK_F5);
  ASSERT_TRUE(WaitUntil([&] { return program.Enabled(kIdPause); }));
  Sleep(200);
  EXPECT_EQ(program.Title(), program.Running());
  const auto clicked = Clock::now();
  program.Click(kIdStop);
  while (program.Title() != program.Stopped() && Clock::now() - clicked < std::chrono::seconds(10))
    Sleep(1);
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - clicked).count();
  std::printf("[ stop ] the stopped title came %lld ms after the click\n",
              static_cast<long long>(took));
  EXPECT_EQ(program.Title(), program.Stopped());
  EXPECT_LT(took, 1000);
  EXPECT_NE(program.Gutter().find(L"current: none"), std::wstring::npos)
      << Narrow(program.Gutter());

  PostMessageW(program.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(program.Process(), 10000), WAIT_OBJECT_0);
}

// The file written by another program while the debugger is idle comes back
// with its breakpoint on the same statement; unsaved edits are asked about
// when the window closes.
TEST(ZelkDebugProgram, ReloadsAnOutsideEditAndAsksBeforeDroppingItsOwn) {
  Program program("files", "a = 1\r\nPRINT a\r\nPRINT a + 1\r\n");
  ASSERT_NO_FATAL_FAILURE(program.Start());
  ASSERT_NO_FATAL_FAILURE(CheckLanguage(program));
  program.ClickGutter(2);
  ASSERT_EQ(Number(program.Gutter(), L"breakpoints"), 2) << Narrow(program.Gutter());

  // Another editor puts a line on top.
  const auto written = std::filesystem::last_write_time(program.Script());
  std::ofstream(program.Script(), std::ios::binary)
      << "b = 5\r\na = 1\r\nPRINT a\r\nPRINT a + b\r\n";
  std::filesystem::last_write_time(program.Script(), written + std::chrono::seconds(2));
  // Files are checked while the debugger is in front.
  SetForegroundWindow(program.Main());
  std::wstring balloon;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (HWND shown = program.TopLevel([](HWND w) { return ClassOf(w) == kFileBalloonClass; }))
          balloon = Text(shown);
        return Number(program.Gutter(), L"breakpoints") == 3;
      },
      15000))
      << Narrow(program.Gutter());
  const std::wstring updated = program.Japanese() ? L"\u30D5\u30A1\u30A4\u30EB\u304C\u66F4\u65B0"
                                                    L"\u3055\u308C\u307E\u3057\u305F"
                                                  : L"File was updated";
  EXPECT_EQ(balloon.find(L"ZELK Debugger\r"), 0u) << Narrow(balloon);
  // The file's path, in capitals as the debugger names files.
  std::wstring upper = balloon;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  EXPECT_NE(upper.find(L"\\FILES.ZLS\r"), std::wstring::npos) << Narrow(balloon);
  EXPECT_EQ(balloon.substr(balloon.rfind(L'\r') + 1), updated) << Narrow(balloon);
  EXPECT_EQ(Text(program.Visible(L"ZelkCodeView")).substr(0, 7), L"b = 5\r\n");
  EXPECT_FALSE(program.Enabled(kIdSave)) << "a reloaded file has no edits";

  program.Click(kIdRun);
  ASSERT_TRUE(WaitUntil([&] { return program.PausedAt(3); })) << Narrow(program.Gutter());
  program.Key(VK_F5);
  ASSERT_TRUE(WaitUntil([&] { return program.Title() == program.Stopped(); }));
  EXPECT_EQ(program.Printed(), L"1\r\n6\r\n");

  // The user types a line, then closes the window.
  HWND code = program.Visible(L"ZelkCodeView");
  SendMessageW(code, EM_SETSEL, 0, 0);
  for (wchar_t c : std::wstring(L"c = 3 ")) SendMessageW(code, WM_CHAR, c, 0);
  ASSERT_TRUE(WaitUntil([&] { return program.Enabled(kIdSave); }, 3000));
  const std::wstring question =
      program.Japanese()
          ? L"\u4FEE\u6B63\u4E2D\u306E\u30D5\u30A1\u30A4\u30EB\u304C\u3042\u308A\u307E\u3059"
            L"\u3002\r\n\u7834\u68C4\u3057\u3066\u7D42\u4E86\u3057\u3066\u3082\u3088\u308D"
            L"\u3057\u3044\u3067\u3059\u304B\uFF1F"
          : L"There are files in the fix.\r\nAre you sure you want to exit to discard?";
  PostMessageW(program.Main(), WM_CLOSE, 0, 0);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = program.Dialog(0xFFFF)) != nullptr; }));
  EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)), question) << Narrow(Text(GetDlgItem(box, 0xFFFF)));
  EXPECT_EQ(Text(box), L"ZELK Debugger");
  PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_EQ(WaitForSingleObject(program.Process(), 300), static_cast<DWORD>(WAIT_TIMEOUT))
      << "Cancel keeps the window";

  PostMessageW(program.Main(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return (box = program.Dialog(0xFFFF)) != nullptr; }));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WaitForSingleObject(program.Process(), 10000), WAIT_OBJECT_0);
  std::ifstream file(program.Script(), std::ios::binary);
  const std::string kept((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "b = 5\r\na = 1\r\nPRINT a\r\nPRINT a + b\r\n") << "the edit was dropped";
}

}  // namespace
}  // namespace zelk::window
