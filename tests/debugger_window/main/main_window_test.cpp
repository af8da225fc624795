// The main window as a user drives it: a real window in this process, its
// buttons clicked and its keys pressed with real messages, and what it shows
// read back from its controls (title, tabs, gutter, print window, message
// boxes). Scripts run on the window's run thread as in the program.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "base/utf.h"
#include "builtins/install.h"
#include "debugger_window/main/main_window.h"
#include "debugger_window/main/open_dialog.h"
#include "foundation/messages.h"
#include "foundation/settings.h"
#include "platform/windowing.h"
#include "runtime/core/interpreter.h"

namespace zelk::window {
namespace {

using Clock = std::chrono::steady_clock;

std::u16string TextOf(HWND window) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(
      window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

std::string U8(const std::u16string& text) {
  return TextToUtf8(text);
}

// Dispatches messages as the program's loop does until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (PreviewKey(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (Clock::now() > until) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

// The next message box of this thread, answered from inside its own modal
// loop by a thread timer.
struct BoxAnswer {
  int button = IDOK;
  bool seen = false;
  std::u16string text;
  std::function<void()> inspect;  // runs while the box is up
};
BoxAnswer* pendingAnswer = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  if (std::wstring_view(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  BoxAnswer& answer = *pendingAnswer;
  answer.text = TextOf(GetDlgItem(window, 0xFFFF));
  if (answer.inspect) answer.inspect();
  answer.seen = true;
  PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(answer.button), 0);
  return FALSE;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (pendingAnswer == nullptr || pendingAnswer->seen) return;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
  if (pendingAnswer->seen) KillTimer(nullptr, id);
}

void AnswerNextBox(BoxAnswer* answer) {
  pendingAnswer = answer;
  SetTimer(nullptr, 0, 30, AnswerTimer);
}

struct ChildSearch {
  const wchar_t* cls;
  HWND found = nullptr;
};

BOOL CALLBACK FindVisibleChild(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (std::wstring_view(cls) == search->cls && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A number after "key: " in the gutter's text; -1 for "none" or no key.
int GutterNumber(const std::u16string& text, const std::u16string& key) {
  const std::size_t at = text.find(key + u": ");
  if (at == std::u16string::npos) return -1;
  std::size_t i = at + key.size() + 2;
  if (i >= text.size() || text[i] < u'0' || text[i] > u'9') return -1;
  int value = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
    value = value * 10 + (text[i++] - u'0');
  return value;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    folder_ =
        std::filesystem::temp_directory_path() /
        ("zelk-main-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(folder_ / "appdata");
    SetupPathsFrom((folder_ / "ZelkDebug.exe").u16string(), (folder_ / "appdata").u16string());
    SetJapaneseMessages(false);
    interp_ = std::make_unique<Interpreter>();
    InstallBuiltins(*interp_);
  }

  void TearDown() override {
    if (main_ && IsWindow(main_)) DestroyWindow(main_);
    PumpFor(20);
    interp_.reset();
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(folder_, ignored);
  }

  std::u16string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.u16string();
  }

  void Open(const std::u16string& command) {
    main_ = CreateMainWindow(*interp_, command, SW_SHOWNOACTIVATE, false);
    ASSERT_NE(main_, nullptr);
    PumpFor(30);
  }

  HWND Item(int id) const { return GetDlgItem(main_, id); }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  void Key(WPARAM key) { SendMessageW(main_, WM_KEYDOWN, key, 0); }
  std::string Title() const { return U8(TextOf(main_)); }
  std::string Printed() const { return U8(TextOf(Item(kIdPrint))); }

  bool Paused() const { return Enabled(kIdRun) && Enabled(kIdStop) && !Enabled(kIdPause); }
  bool Idle() const { return Enabled(kIdRun) && !Enabled(kIdStop) && Enabled(kIdLoad); }
  bool WaitPaused() {
    return PumpUntil([this] { return Paused(); });
  }
  bool WaitIdle() {
    return PumpUntil([this] { return Idle(); });
  }

  HWND Visible(const wchar_t* cls) const {
    ChildSearch search{cls};
    EnumChildWindows(main_, FindVisibleChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  std::u16string GutterText() const { return TextOf(Visible(L"ZelkGutter")); }
  // 1-based, -1 for none.
  int CurrentLine() const { return GutterNumber(GutterText(), u"current"); }

  // Clicks the gutter beside a 1-based line, where a person would.
  void ClickGutter(int line) {
    HWND gutter = Visible(L"ZelkGutter");
    ASSERT_NE(gutter, nullptr);
    const std::u16string text = TextOf(gutter);
    const int height = GutterNumber(text, u"line height");
    const int first = GutterNumber(text, u"first");
    ASSERT_GT(height, 0) << U8(text);
    const int y = (line - first) * height + height / 2;
    SendMessageW(gutter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, y));
    SendMessageW(gutter, WM_LBUTTONUP, 0, MAKELPARAM(4, y));
  }

  int TabCount() const {
    return static_cast<int>(SendMessageW(Item(kIdTabs), TCM_GETITEMCOUNT, 0, 0));
  }
  std::string TabCaption(int index) const {
    wchar_t buffer[MAX_PATH] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = MAX_PATH;
    SendMessageW(Item(kIdTabs), TCM_GETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    return U8(std::u16string(reinterpret_cast<const char16_t*>(buffer)));
  }

  std::filesystem::path folder_;
  std::unique_ptr<Interpreter> interp_;
  HWND main_ = nullptr;
};

TEST_F(MainWindowTest, StartsWithOnlyLoadEnabled) {
  Open(u"");
  EXPECT_EQ(Title(), "ZELK Debugger");
  EXPECT_TRUE(Enabled(kIdLoad));
  for (int id : {kIdSave, kIdRun, kIdPause, kIdStop, kIdStepIn, kIdStepOver}) {
    EXPECT_FALSE(Enabled(id)) << "button " << id;
  }
  EXPECT_EQ(TabCount(), 1);
}

TEST_F(MainWindowTest, OpensEachFileInATabAndRunsToTheEnd) {
  Write("lib.zls", "PRINT \"lib\"\r\n");
  const std::u16string main = Write("main.zls", "PRINT \"start\"\r\nCALL lib\r\nPRINT \"end\"\r\n");
  Open(main);
  EXPECT_EQ(Title(), "ZELK Debugger - main.zls");
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(TabCaption(0), "main");
  EXPECT_EQ(TabCaption(1), "LIB");  // includes are named as assembly names them
  EXPECT_TRUE(Idle());
  EXPECT_FALSE(Enabled(kIdPause));

  Click(kIdRun);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "start\r\nlib\r\nend\r\n");
  EXPECT_EQ(Title(), "ZELK Debugger - main.zls (Stop)");
}

TEST_F(MainWindowTest, StopsAtAGutterBreakpointAndF5GoesOn) {
  const std::u16string main = Write("bp.zls", "a = 1\r\nPRINT a\r\na = 2\r\nPRINT a\r\n");
  Open(main);
  ClickGutter(3);
  EXPECT_EQ(GutterNumber(GutterText(), u"breakpoints"), 3) << U8(GutterText());

  Click(kIdRun);
  ASSERT_TRUE(WaitPaused()) << Title();
  EXPECT_EQ(CurrentLine(), 3);
  EXPECT_EQ(Printed(), "1\r\n");
  EXPECT_EQ(Title(), "ZELK Debugger - bp.zls (Executing)");
  EXPECT_FALSE(Enabled(kIdLoad));

  Key(VK_F5);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "1\r\n2\r\n");
  EXPECT_EQ(CurrentLine(), -1);
}

TEST_F(MainWindowTest, StepsInOverAndOutWithTheFunctionKeys) {
  const std::u16string main = Write("step.zls",
                                    "x = 1\r\n"
                                    "x = Twice(x)\r\n"
                                    "PRINT x\r\n"
                                    "FUNCTION Twice(n)\r\n"
                                    "  RESULT = n * 2\r\n"
                                    "FEND\r\n");
  Open(main);
  Key(VK_F7);  // Step In from idle stops at the first statement
  ASSERT_TRUE(WaitPaused());
  EXPECT_EQ(CurrentLine(), 1);
  Key(VK_F8);
  ASSERT_TRUE(PumpUntil([this] { return Paused() && CurrentLine() == 2; }));
  Key(VK_F7);
  ASSERT_TRUE(PumpUntil([this] { return Paused() && CurrentLine() == 5; })) << CurrentLine();
  // Shift+F8 as the window sees it: the state of Shift comes from the keyboard.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  Key(VK_F8);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  ASSERT_TRUE(PumpUntil([this] { return Paused() && CurrentLine() != 5; }));
  EXPECT_TRUE(CurrentLine() == 2 || CurrentLine() == 3) << CurrentLine();
  Key(VK_F5);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "2\r\n");
}

TEST_F(MainWindowTest, StopEndsARunningLoopAtOnce) {
  const std::u16string main =
      Write("loop.zls", "PRINT \"go\"\r\ni = 0\r\nWHILE TRUE\r\n  i = i + 1\r\nWEND\r\n");
  Open(main);
  Click(kIdRun);
  ASSERT_TRUE(PumpUntil([this] { return Printed() == "go\r\n"; }));
  EXPECT_TRUE(Enabled(kIdPause));
  EXPECT_FALSE(Enabled(kIdRun));
  Key(VK_F5);  // Run is disabled while running: nothing happens
  PumpFor(50);
  EXPECT_EQ(Printed(), "go\r\n");

  Click(kIdStop);
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Title(), "ZELK Debugger - loop.zls (Stop)");
  // A new run waits for the stopped one to unwind.
  const auto pressed = Clock::now();
  Click(kIdRun);
  const auto waited = Clock::now() - pressed;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 100);
  ASSERT_TRUE(PumpUntil([this] { return Printed() == "go\r\ngo\r\n"; }));
  Key(VK_F4);
  EXPECT_TRUE(Idle());
}

// POFF(P_ZELK_REEXEC, TRUE) ends a run that Run started and runs it again;
// a run started by a step just ends. A marker file tells the runs apart.
TEST_F(MainWindowTest, ARestartRequestRunsTheScriptAgainAfterRunOnly) {
  const std::string mark = (folder_ / "mark.txt").string();
  const std::u16string main = Write("again.zls", "IFB FOPEN(\"" + mark +
                                                     "\", F_EXISTS)\r\n"
                                                     "  PRINT \"second\"\r\n"
                                                     "ELSE\r\n"
                                                     "  f = FOPEN(\"" +
                                                     mark +
                                                     "\", F_WRITE)\r\n"
                                                     "  FPUT(f, \"x\")\r\n"
                                                     "  FCLOSE(f)\r\n"
                                                     "  PRINT \"first\"\r\n"
                                                     "  POFF(P_ZELK_REEXEC, TRUE)\r\n"
                                                     "  PRINT \"never\"\r\n"
                                                     "ENDIF\r\n");
  Open(main);
  Click(kIdRun);
  ASSERT_TRUE(PumpUntil([this] { return Printed() == "first\r\nsecond\r\n" && Idle(); }))
      << Printed();
  PumpFor(100);
  EXPECT_EQ(Printed(), "first\r\nsecond\r\n");

  std::filesystem::remove(folder_ / "mark.txt");
  Key(VK_F7);
  ASSERT_TRUE(WaitPaused());
  Key(VK_F5);
  ASSERT_TRUE(PumpUntil([this] { return Printed().ends_with("first\r\n") && Idle(); }))
      << Printed();
  PumpFor(200);
  EXPECT_EQ(Printed(), "first\r\nsecond\r\nfirst\r\n");
}

TEST_F(MainWindowTest, PauseStopsTheLoopAtItsLine) {
  const std::u16string main = Write("pause.zls", "i = 0\r\nWHILE TRUE\r\n  i = i + 1\r\nWEND\r\n");
  Open(main);
  Click(kIdRun);
  PumpFor(100);
  Click(kIdPause);
  ASSERT_TRUE(WaitPaused());
  ASSERT_TRUE(PumpUntil([this] { return CurrentLine() >= 2; }));
  EXPECT_GE(CurrentLine(), 2);
  EXPECT_LE(CurrentLine(), 4);
  Click(kIdStop);
  EXPECT_TRUE(Idle());
  EXPECT_EQ(CurrentLine(), -1);
}

TEST_F(MainWindowTest, AnErrorIsShownWithItsFileAndLine) {
  Write("bad.zls", "PRINT \"in lib\"\r\nPRINT Q\r\n");
  const std::u16string main = Write("err.zls", "PRINT \"before\"\r\nCALL bad\r\n");
  Open(main);
  BoxAnswer answer;
  int lineShown = -1;
  answer.inspect = [&] { lineShown = CurrentLine(); };
  AnswerNextBox(&answer);
  Click(kIdRun);
  ASSERT_TRUE(PumpUntil([&] { return answer.seen && Idle(); }));
  const std::string text = U8(answer.text);
  EXPECT_NE(text.find("It isn't defined: Q"), std::string::npos) << text;
  EXPECT_NE(text.find("BAD.ZLS: at line 2: PRINT Q"), std::string::npos) << text;
  EXPECT_EQ(lineShown, 2);
  EXPECT_EQ(Title(), "ZELK Debugger - err.zls (Stop)");
}

TEST_F(MainWindowTest, JapaneseTitleSuffixes) {
  SetJapaneseMessages(true);
  const std::u16string main = Write("ja.zls", "a = 1\r\nPRINT a\r\n");
  Open(main);
  ClickGutter(2);
  Click(kIdRun);
  ASSERT_TRUE(WaitPaused());
  EXPECT_EQ(Title(), "ZELK Debugger - ja.zls (実行中)");
  Click(kIdStop);
  EXPECT_EQ(Title(), "ZELK Debugger - ja.zls (停止)");
  SetJapaneseMessages(false);
}

TEST_F(MainWindowTest, MessagesFromOtherPrograms) {
  const std::u16string main = Write("msg.zls", "a = 1\r\nb = 2\r\nPRINT a + b\r\n");
  Open(main);
  SendMessageW(main_, kMsgGoToLine, 3, 0);
  EXPECT_EQ(CurrentLine(), 3);
  // A hotkey with another lParam is no key press.
  SendMessageW(main_, kMsgHotkey, VK_F5, 0);
  PumpFor(50);
  EXPECT_EQ(Printed(), "");
  PostMessageW(main_, kMsgHotkey, VK_F5, 256);
  ASSERT_TRUE(PumpUntil([this] { return Printed() == "3\r\n" && Idle(); }));
  PostMessageW(main_, kMsgRunScript, 0, 0);
  ASSERT_TRUE(PumpUntil([this] { return Printed() == "3\r\n3\r\n" && Idle(); }));
}

TEST_F(MainWindowTest, ClosingWithAModifiedFileAsksFirst) {
  const std::u16string main = Write("edit.zls", "PRINT 1\r\n");
  Open(main);
  HWND text = Visible(L"ZelkCodeView");
  ASSERT_NE(text, nullptr);
  SendMessageW(text, EM_SETSEL, 0, 0);
  SendMessageW(text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x = 2\r\n"));
  ASSERT_TRUE(PumpUntil([this] { return Enabled(kIdSave); }, 3000));

  BoxAnswer cancel;
  cancel.button = IDCANCEL;
  AnswerNextBox(&cancel);
  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return cancel.seen; }));
  PumpFor(30);
  EXPECT_EQ(U8(cancel.text),
            "There are files in the fix.\r\nAre you sure you want to exit to discard?");
  EXPECT_TRUE(IsWindow(main_));

  BoxAnswer ok;
  AnswerNextBox(&ok);
  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(main_); }));
  EXPECT_TRUE(ok.seen);
  // The layout was kept.
  EXPECT_EQ(U8(IniRead(u"SET", u"Ratio")), "208,240,247");
  EXPECT_FALSE(IniRead(u"SET", u"Position").empty());
  EXPECT_FALSE(IniRead(u"SET", u"Size").empty());
}

TEST_F(MainWindowTest, UnsavedEditsRunAndAltSSavesThem) {
  const std::u16string main = Write("unsaved.zls", "PRINT \"old\"\r\n");
  Open(main);
  HWND text = Visible(L"ZelkCodeView");
  ASSERT_NE(text, nullptr);
  SendMessageW(text, EM_SETSEL, 0, -1);
  SendMessageW(text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"PRINT \"new\""));
  Click(kIdRun);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "new\r\n");
  // The run's copy of the edits is gone, the file itself untouched.
  EXPECT_FALSE(std::filesystem::exists(folder_ / "unsaved.zls$$$"));
  std::ifstream before(folder_ / "unsaved.zls", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}), "PRINT \"old\"\r\n");

  ASSERT_TRUE(PumpUntil([this] { return Enabled(kIdSave); }, 3000));
  SendMessageW(main_, WM_SYSKEYDOWN, 'S', 1 << 29);
  PumpFor(30);
  std::ifstream after(folder_ / "unsaved.zls", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), "PRINT \"new\"\r\n");
  EXPECT_FALSE(Enabled(kIdSave));
}

TEST_F(MainWindowTest, TheUntitledTabRunsOnceItHasText) {
  Open(u"");
  HWND text = Visible(L"ZelkCodeView");
  ASSERT_NE(text, nullptr);
  SendMessageW(text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"PRINT 6 * 7\r\n"));
  ASSERT_TRUE(PumpUntil([this] { return Enabled(kIdRun); }, 3000));
  Click(kIdRun);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "42\r\n");
}

TEST_F(MainWindowTest, TheFunctionListGoesToTheFunction) {
  const std::u16string main = Write("nav.zls",
                                    "PRINT 1\r\nPRINT 2\r\nPRINT 3\r\n"
                                    "FUNCTION Later(x)\r\n  RESULT = x\r\nFEND\r\n");
  Open(main);
  HWND list = Item(kIdFunctions);
  const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  ASSERT_EQ(count, 2);  // the file, and the function
  SendMessageW(list, CB_SETCURSEL, 1, 0);
  SendMessageW(main_, WM_COMMAND, MAKEWPARAM(kIdFunctions, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  HWND text = Visible(L"ZelkCodeView");
  DWORD start = 0;
  SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  EXPECT_EQ(SendMessageW(text, EM_LINEFROMCHAR, start, 0), 3);

  // Searching upward from there finds the line above.
  SetWindowTextW(Item(kIdSearchText), L"print 2");
  Click(kIdSearchUp);
  SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  EXPECT_EQ(SendMessageW(text, EM_LINEFROMCHAR, start, 0), 1);
}

TEST_F(MainWindowTest, SplittersResizeThePartsWithinTheirLimits) {
  const std::u16string main = Write("split.zls", "PRINT 1\r\n");
  Open(main);
  HWND print = Item(kIdPrint);
  auto height = [&] {
    RECT r;
    GetWindowRect(print, &r);
    return static_cast<int>(r.bottom - r.top);
  };
  const int before = height();
  HWND splitter = Item(kIdSplitterPrint);
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 1));
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, static_cast<WORD>(-99)));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, 1));
  EXPECT_EQ(height(), before + 100);
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 1));
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 2000));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, 1));
  EXPECT_EQ(height(), 51);  // never at the minimum of 50 or below
}

TEST_F(MainWindowTest, ClosingWhilePausedEndsTheRun) {
  const std::u16string main = Write("closing.zls", "a = 1\r\nPRINT a\r\n");
  Open(main);
  ClickGutter(2);
  Click(kIdRun);
  ASSERT_TRUE(WaitPaused());
  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(main_); }, 3000));
  EXPECT_EQ(interp_->run.runState, kRunIdle);
}

// A drop as Explorer makes it: a DROPFILES block with the wide names.
HGLOBAL DropOf(const std::u16string& path) {
  const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path.c_str(),
              path.size() * sizeof(char16_t));
  GlobalUnlock(memory);
  return memory;
}

TEST_F(MainWindowTest, DroppedFilesOpenScriptsOnly) {
  Open(u"");
  const std::u16string note = Write("note.txt", "hello\r\n");
  BoxAnswer answer;
  AnswerNextBox(&answer);
  PostMessageW(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(note)), 0);
  ASSERT_TRUE(PumpUntil([&] { return answer.seen; }));
  EXPECT_EQ(U8(answer.text), "It is not ZELK file");

  const std::u16string script = Write("dropped.zls", "PRINT \"dropped\"\r\n");
  PostMessageW(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(script)), 0);
  ASSERT_TRUE(PumpUntil([this] { return Title() == "ZELK Debugger - dropped.zls"; }));
  EXPECT_TRUE(Idle());
}

// Fills the next open dialog of this thread with a file name and parameters
// and confirms it, from inside the dialog's own modal loop.
struct OpenAnswer {
  std::u16string file;
  std::u16string parameters;
  std::u16string label;
  RECT place{};  // the dialog's window when it was answered
  bool seen = false;
};
OpenAnswer* pendingOpen = nullptr;

BOOL CALLBACK FindById(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<std::pair<int, HWND>*>(param);
  if (GetDlgCtrlID(window) != found->first) return TRUE;
  found->second = window;
  return FALSE;
}

HWND Descendant(HWND parent, int id) {
  std::pair<int, HWND> found{id, nullptr};
  EnumChildWindows(parent, FindById, reinterpret_cast<LPARAM>(&found));
  return found.second;
}

BOOL CALLBACK FillOpenDialog(HWND window, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  if (std::wstring_view(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  HWND parameters = Descendant(window, kParameterEditId);
  if (parameters == nullptr) return TRUE;
  OpenAnswer& answer = *pendingOpen;
  answer.label = TextOf(Descendant(window, kParameterLabelId));
  GetWindowRect(window, &answer.place);
  SetWindowTextW(parameters, reinterpret_cast<const wchar_t*>(answer.parameters.c_str()));
  // The file name box: an edit in some versions of the dialog, a combo box in others.
  for (int id : {edt1, cmb13}) {
    if (HWND box = GetDlgItem(window, id)) {
      SetWindowTextW(box, reinterpret_cast<const wchar_t*>(answer.file.c_str()));
    }
  }
  answer.seen = true;
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}

void CALLBACK OpenTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (pendingOpen == nullptr || pendingOpen->seen) return;
  EnumThreadWindows(GetCurrentThreadId(), FillOpenDialog, 0);
  if (pendingOpen->seen) KillTimer(nullptr, id);
}

TEST_F(MainWindowTest, LoadOpensTheChosenScriptWithItsParameters) {
  Open(u"");
  const std::u16string script = Write(
      "loaded.zls", "PRINT LENGTH(PARAM_STR) + \":\" + PARAM_STR[0] + \"|\" + PARAM_STR[1]\r\n");
  OpenAnswer answer;
  answer.file = script;
  answer.parameters = u"p1 \"p 2\"";
  pendingOpen = &answer;
  SetTimer(nullptr, 0, 50, OpenTimer);
  Click(kIdLoad);  // the dialog is modal; the timer answers it
  pendingOpen = nullptr;
  ASSERT_TRUE(answer.seen);
  EXPECT_EQ(U8(answer.label), "Parameter(&M):");
  RECT corner;
  GetWindowRect(main_, &corner);
  EXPECT_EQ(answer.place.left, corner.left) << "the dialog opens at the debugger's corner";
  EXPECT_EQ(answer.place.top, corner.top);
  ASSERT_TRUE(PumpUntil([this] { return Title() == "ZELK Debugger - loaded.zls"; }));
  Click(kIdRun);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "2:p1|p 2\r\n");
}

TEST_F(MainWindowTest, LoadTakesAShortcutWithItsArguments) {
  Open(u"");
  const std::u16string script = Write("linked.zls", "PRINT JOIN(PARAM_STR, \"|\")\r\n");
  const std::u16string link = (folder_ / "linked.lnk").u16string();
  {
    CoInitialize(nullptr);
    IShellLinkW* shell = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&shell))));
    shell->SetPath(reinterpret_cast<const wchar_t*>(script.c_str()));
    shell->SetArguments(L"a1 a2");
    ASSERT_TRUE(
        SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    ASSERT_TRUE(SUCCEEDED(file->Save(reinterpret_cast<const wchar_t*>(link.c_str()), TRUE)));
    file->Release();
    shell->Release();
  }
  OpenAnswer answer;
  answer.file = link;
  answer.parameters = u"p3";
  pendingOpen = &answer;
  SetTimer(nullptr, 0, 50, OpenTimer);
  Click(kIdLoad);
  pendingOpen = nullptr;
  ASSERT_TRUE(answer.seen);
  ASSERT_TRUE(PumpUntil([this] { return Title() == "ZELK Debugger - linked.zls"; })) << Title();
  Click(kIdRun);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "a1|a2|p3\r\n");
}

BOOL CALLBACK HighestListView(HWND window, LPARAM param) {
  auto* best = reinterpret_cast<std::pair<HWND, LONG>*>(param);
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  RECT r;
  GetWindowRect(window, &r);
  if (std::wstring_view(cls) == L"SysListView32" && IsWindowVisible(window) &&
      r.top < best->second) {
    *best = {window, r.top};
  }
  return TRUE;
}

TEST_F(MainWindowTest, TheStoredLayoutAndTheOwnWindowReachTheirReaders) {
  IniWrite(u"SET", u"Ratio", u"208,200,247");
  const std::u16string main = Write("layout.zls", "PRINT 1\r\n");
  Open(main);
  // The global grid: the highest visible list view of the right panel.
  std::pair<HWND, LONG> global{nullptr, LONG_MAX};
  EnumChildWindows(main_, HighestListView, reinterpret_cast<LPARAM>(&global));
  ASSERT_NE(global.first, nullptr);
  RECT grid;
  GetWindowRect(global.first, &grid);
  EXPECT_NEAR(grid.bottom - grid.top, 200, 4) << "the global grid takes the stored height";

  // The window functions know it as the interpreter's own.
  EXPECT_EQ(os::OwnWindowHandle(os::OwnWindow::kMainWindow),
            reinterpret_cast<os::WindowHandle>(main_));

  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(main_); }));
  EXPECT_EQ(U8(IniRead(u"SET", u"Ratio")), "208,200,247");
  EXPECT_EQ(os::OwnWindowHandle(os::OwnWindow::kMainWindow), 0u);
}

TEST_F(MainWindowTest, JapaneseMessages) {
  SetJapaneseMessages(true);
  Open(u"");
  BoxAnswer answer;
  AnswerNextBox(&answer);
  PostMessageW(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(Write("a.txt", "x"))), 0);
  ASSERT_TRUE(PumpUntil([&] { return answer.seen; }));
  EXPECT_EQ(U8(answer.text), "指定外ファイル");
  SetJapaneseMessages(false);
}

TEST_F(MainWindowTest, AMissingScriptIsReported) {
  BoxAnswer answer;
  AnswerNextBox(&answer);
  const std::u16string missing = (folder_ / "missing.zls").u16string();
  Open(missing);
  PumpUntil([&] { return answer.seen; }, 2000);
  EXPECT_EQ(U8(answer.text), "FILE not found :" + U8(missing));
  EXPECT_FALSE(Enabled(kIdRun));
}

TEST_F(MainWindowTest, TraceShowsEveryLine) {
  const std::u16string main = Write("trace.zls", "a = 1\r\nb = 2\r\nc = 3\r\nPRINT a + b + c\r\n");
  Open(main);
  SendMessageW(Item(kIdTrace), BM_CLICK, 0, 0);
  EXPECT_TRUE(Enabled(kIdTraceValue));
  SetWindowTextW(Item(kIdTraceValue), L"200");
  Click(kIdRun);
  ASSERT_TRUE(PumpUntil([this] { return CurrentLine() == 2; }));
  ASSERT_TRUE(PumpUntil([this] { return CurrentLine() == 3; }));
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Printed(), "6\r\n");
}

}  // namespace
}  // namespace zelk::window
