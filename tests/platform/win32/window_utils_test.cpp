// Runs against real top-level windows, shell links and drop handles created
// by the test process itself (under Wine on the build machine).
#include "platform/win32/window_utils.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
// os::DeleteFile below, not the Windows macro.
#undef DeleteFile

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zelk::win {
namespace {

const wchar_t* W(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::string Show(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "{%ld,%ld,%ld,%ld}", r.left, r.top, r.right, r.bottom);
  return buf;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT WindowRectOf(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

RECT VirtualDesktop() {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void Note(const std::string& text) {
  std::printf("[   NOTE   ] %s\n", text.c_str());
}

constexpr wchar_t kClassName[] = L"ZelkWindowUtilsTest";
constexpr UINT kTestMessage = WM_APP + 7;

// wParams of kTestMessage in the order the window procedure saw them.
std::vector<WPARAM> g_received;

LRESULT CALLBACK TestWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kTestMessage) {
    g_received.push_back(wp);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

class WindowUtils : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);  // may exist from an earlier suite run: creation checks it
  }

  void TearDown() override {
    for (HWND w : windows_) DestroyWindow(w);
    os::ProcessMessages();
    g_received.clear();
  }

  HWND NewWindow(const wchar_t* title, int x = 100, int y = 100, int cx = 320, int cy = 240,
                 const wchar_t* cls = kClassName) {
    HWND w = CreateWindowExW(0, cls, title, WS_OVERLAPPEDWINDOW, x, y, cx, cy, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(nullptr, w) << "CreateWindowEx failed, error " << GetLastError();
    if (w) {
      ShowWindow(w, SW_SHOWNOACTIVATE);
      windows_.push_back(w);
    }
    return w;
  }

  std::vector<HWND> windows_;
};

// A window handle that names no window (destroyed before use).
HWND DeadWindow() {
  HWND w = CreateWindowExW(0, L"STATIC", L"gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  DestroyWindow(w);
  return w;
}

TEST_F(WindowUtils, TitleAndClassOfOwnWindowKeepUnicode) {
  // Japanese text and a surrogate pair (U+1F600) must survive unchanged.
  const wchar_t* title = L"Zelk \u30c6\u30b9\u30c8 \U0001F600 end";
  HWND w = NewWindow(title);
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(std::u16string(u"Zelk \u30c6\u30b9\u30c8 \U0001F600 end"), WindowTitle(w));
  EXPECT_EQ(std::u16string(u"ZelkWindowUtilsTest"), WindowClassName(w));
}

TEST_F(WindowUtils, TitleIsCutAt300Characters) {
  HWND w = NewWindow(L"");
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(u"", WindowTitle(w)) << "an empty title";
  std::wstring longTitle;
  for (int i = 0; i < 400; ++i) longTitle += static_cast<wchar_t>(L'a' + i % 26);
  ASSERT_TRUE(SetWindowTextW(w, longTitle.c_str()));
  std::u16string got = WindowTitle(w);
  ASSERT_EQ(300u, got.size()) << "expected the first 300 of 400 characters";
  EXPECT_EQ(0, std::memcmp(got.data(), longTitle.data(), 300 * sizeof(char16_t)));
}

TEST_F(WindowUtils, ClassAndTextOfAStandardControl) {
  HWND parent = NewWindow(L"parent");
  ASSERT_NE(nullptr, parent);
  HWND button = CreateWindowExW(0, L"BUTTON", L"&OK \u00e4", WS_CHILD | WS_VISIBLE, 10, 10, 80, 24,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, button);
  EXPECT_EQ(u"&OK \u00e4", WindowTitle(button));
  std::u16string cls = WindowClassName(button);
  EXPECT_EQ(0, CompareStringOrdinal(W(cls), -1, L"Button", -1, TRUE) - CSTR_EQUAL)
      << "expected class Button (any case), got " << cls.size() << " characters";
}

TEST_F(WindowUtils, DeadHandleGivesEmptyTexts) {
  HWND dead = DeadWindow();
  EXPECT_EQ(u"", WindowTitle(dead));
  EXPECT_EQ(u"", WindowClassName(dead));
  EXPECT_EQ(u"", WindowTitle(nullptr));
}

TEST_F(WindowUtils, VisibleRectIsFrameBoundsOrWindowRect) {
  HWND w = NewWindow(L"visible rect", 150, 160, 400, 300);
  ASSERT_NE(nullptr, w);
  RECT outer = WindowRectOf(w);
  RECT frame;
  RECT visible = VisibleWindowRect(w);
  SIZE border = InvisibleBorder(w);
  if (DwmFrameBounds(w, &frame)) {
    EXPECT_TRUE(SameRect(frame, visible))
        << "expected the frame bounds " << Show(frame) << ", got " << Show(visible);
    LONG bw = (outer.right - outer.left) - (frame.right - frame.left);
    LONG bh = (outer.bottom - outer.top) - (frame.bottom - frame.top);
    EXPECT_EQ(bw < 0 || bh < 0 ? 0 : bw, border.cx);
    EXPECT_EQ(bw < 0 || bh < 0 ? 0 : bh, border.cy);
  } else {
    Note("no DWM frame bounds here (Wine): visible rect falls back to GetWindowRect");
    EXPECT_TRUE(SameRect(outer, visible))
        << "expected the window rect " << Show(outer) << ", got " << Show(visible);
    EXPECT_EQ(0, border.cx) << "no frame bounds means no border";
    EXPECT_EQ(0, border.cy) << "no frame bounds means no border";
  }
}

TEST_F(WindowUtils, DeadHandleHasNoRectAndNoBorder) {
  HWND dead = DeadWindow();
  RECT r = VisibleWindowRect(dead);
  EXPECT_TRUE(SameRect(RECT{0, 0, 0, 0}, r)) << "got " << Show(r);
  SIZE b = InvisibleBorder(dead);
  EXPECT_EQ(0, b.cx);
  EXPECT_EQ(0, b.cy);
  RECT frame{1, 2, 3, 4};
  EXPECT_FALSE(DwmFrameBounds(dead, &frame));
}

TEST(WindowUtilsPlacement, FrameToWindowArithmetic) {
  // The Windows 10 shape: 7 pixels left, right and bottom, none at the top.
  Placement p = PlacementForFrame(SIZE{14, 7}, 100, 50, 400, 300);
  EXPECT_EQ(93, p.x);
  EXPECT_EQ(50, p.y);
  EXPECT_EQ(414, p.cx);
  EXPECT_EQ(307, p.cy);
  // An odd width: half is cut toward zero, the top gets bh - bw/2.
  p = PlacementForFrame(SIZE{15, 10}, 0, 0, 10, 10);
  EXPECT_EQ(-7, p.x);
  EXPECT_EQ(-3, p.y);
  EXPECT_EQ(25, p.cx);
  EXPECT_EQ(20, p.cy);
  p = PlacementForFrame(SIZE{0, 0}, -5, -6, 7, 8);
  EXPECT_EQ(-5, p.x);
  EXPECT_EQ(-6, p.y);
  EXPECT_EQ(7, p.cx);
  EXPECT_EQ(8, p.cy);
}

TEST_F(WindowUtils, PlaceWindowPutsTheVisibleFrameWhereAsked) {
  HWND w = NewWindow(L"place", 10, 10, 200, 150);
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(PlaceWindow(w, nullptr, 100, 120, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE));
  RECT got = VisibleWindowRect(w);
  EXPECT_TRUE(SameRect(RECT{100, 120, 500, 420}, got))
      << "expected {100,120,500,420}, got " << Show(got);

  // Move only: the size stays, the frame's corner goes where asked.
  ASSERT_TRUE(PlaceWindow(w, nullptr, 30, 40, 1, 1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  got = VisibleWindowRect(w);
  EXPECT_TRUE(SameRect(RECT{30, 40, 430, 340}, got))
      << "expected {30,40,430,340}, got " << Show(got);

  // Neither move nor size: the numbers are ignored.
  RECT before = WindowRectOf(w);
  ASSERT_TRUE(PlaceWindow(w, nullptr, 999, 999, 5, 5,
                          SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  RECT after = WindowRectOf(w);
  EXPECT_TRUE(SameRect(before, after)) << "expected " << Show(before) << ", got " << Show(after);
}

TEST_F(WindowUtils, PlaceWindowChangesZOrder) {
  HWND a = NewWindow(L"lower", 50, 50, 200, 150);
  HWND b = NewWindow(L"upper", 60, 60, 200, 150);
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(PlaceWindow(b, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  ASSERT_TRUE(PlaceWindow(a, b, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(a, GetWindow(b, GW_HWNDNEXT)) << "a should lie right below b";
  ASSERT_TRUE(PlaceWindow(a, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
  EXPECT_EQ(b, GetWindow(a, GW_HWNDNEXT)) << "b should now lie right below a";
}

TEST_F(WindowUtils, PlaceWindowOnDeadHandleFails) {
  EXPECT_FALSE(PlaceWindow(DeadWindow(), nullptr, 0, 0, 10, 10, SWP_NOZORDER));
}

TEST(WindowUtilsClamp, DesktopClampArithmetic) {
  const RECT desk{0, 0, 1280, 1024};
  POINT p = ClampToDesktop(desk, 100, 200, 300, 200);
  EXPECT_EQ(100, p.x) << "inside: unchanged";
  EXPECT_EQ(200, p.y) << "inside: unchanged";
  p = ClampToDesktop(desk, 1100, 900, 300, 200);
  EXPECT_EQ(980, p.x) << "right edge touches the desktop's";
  EXPECT_EQ(824, p.y) << "bottom edge touches the desktop's";
  p = ClampToDesktop(desk, -50, -60, 300, 200);
  EXPECT_EQ(0, p.x);
  EXPECT_EQ(0, p.y);
  p = ClampToDesktop(desk, 500, 500, 2000, 1500);
  EXPECT_EQ(0, p.x) << "too wide: the left edge wins";
  EXPECT_EQ(0, p.y) << "too tall: the top edge wins";
  p = ClampToDesktop(desk, 980, 824, 300, 200);
  EXPECT_EQ(980, p.x) << "touching exactly is inside";
  EXPECT_EQ(824, p.y) << "touching exactly is inside";
  p = ClampToDesktop(desk, INT_MAX - 10, INT_MAX - 10, 300, 200);
  EXPECT_EQ(980, p.x) << "a far-off position must not wrap around";
  EXPECT_EQ(824, p.y) << "a far-off position must not wrap around";
}

TEST(WindowUtilsClamp, MonitorsLeftOfAndAbovePrimary) {
  const RECT desk{-1920, -300, 1280, 1024};
  POINT p = ClampToDesktop(desk, -3000, -400, 100, 100);
  EXPECT_EQ(-1920, p.x);
  EXPECT_EQ(-300, p.y);
  p = ClampToDesktop(desk, -1000, -200, 100, 100);
  EXPECT_EQ(-1000, p.x) << "on the second monitor: unchanged";
  EXPECT_EQ(-200, p.y) << "on the second monitor: unchanged";
}

TEST_F(WindowUtils, MoveFormOnScreenKeepsTheWindowOnTheDesktop) {
  HWND w = NewWindow(L"clamp", 100, 100, 300, 200);
  ASSERT_NE(nullptr, w);
  RECT desk = VirtualDesktop();
  RECT r0 = WindowRectOf(w);
  LONG width = r0.right - r0.left, height = r0.bottom - r0.top;

  ASSERT_TRUE(MoveFormOnScreen(w, desk.left + 40, desk.top + 50));
  RECT r = WindowRectOf(w);
  EXPECT_EQ(desk.left + 40, r.left) << "inside: placed as asked";
  EXPECT_EQ(desk.top + 50, r.top) << "inside: placed as asked";

  ASSERT_TRUE(MoveFormOnScreen(w, desk.right + 5000, desk.bottom + 5000));
  r = WindowRectOf(w);
  EXPECT_EQ(desk.right, r.right) << "expected the right edge at the desktop's, window " << Show(r)
                                 << " desktop " << Show(desk);
  EXPECT_EQ(desk.bottom, r.bottom) << "expected the bottom edge at the desktop's, window "
                                   << Show(r) << " desktop " << Show(desk);
  EXPECT_EQ(width, r.right - r.left) << "the size must not change";
  EXPECT_EQ(height, r.bottom - r.top) << "the size must not change";

  ASSERT_TRUE(MoveFormOnScreen(w, desk.left - 5000, desk.top - 5000));
  r = WindowRectOf(w);
  EXPECT_EQ(desk.left, r.left) << "window " << Show(r) << " desktop " << Show(desk);
  EXPECT_EQ(desk.top, r.top) << "window " << Show(r) << " desktop " << Show(desk);
  EXPECT_FALSE(MoveFormOnScreen(DeadWindow(), 0, 0));
}

TEST_F(WindowUtils, PumpMessagesDeliversPostedMessagesInOrder) {
  HWND w = NewWindow(L"pump");
  ASSERT_NE(nullptr, w);
  os::ProcessMessages();  // creation and showing leave messages of their own
  for (WPARAM i = 1; i <= 3; ++i) ASSERT_TRUE(PostMessageW(w, kTestMessage, i, 0));

  PumpMessages(0);
  EXPECT_TRUE(g_received.empty()) << "n = 0 must not process anything";
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, w, kTestMessage, kTestMessage, PM_NOREMOVE))
      << "the posted messages should still be waiting";

  PumpMessages(1);
  EXPECT_EQ((std::vector<WPARAM>{1, 2, 3}), g_received);
  EXPECT_FALSE(PeekMessageW(&msg, w, kTestMessage, kTestMessage, PM_NOREMOVE))
      << "one pass processes every pending message";
}

// Files in a folder of their own under the temporary folder.
class WindowUtilsShortcut : public testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder_ = os::TempFolder() + u"\\zelk-window-utils-test";
    Clean();
    os::CreateFolder(folder_);
  }
  void TearDown() override {
    Clean();
    CoUninitialize();
  }
  void Clean() {
    for (const auto& name : os::FindFiles(folder_ + u"\\*")) os::DeleteFile(folder_ + u"\\" + name);
  }
  std::u16string MakeFile(const std::u16string& name, std::string_view bytes) {
    std::u16string path = folder_ + u"\\" + name;
    std::string error;
    auto f = os::OpenFile(path, os::OpenHow::kCreateTruncate, false, &error);
    EXPECT_TRUE(f && f->Rewrite(bytes)) << error;
    return path;
  }
  // Saves a shell link through the shell's own interfaces; "" on failure.
  std::u16string MakeLink(const std::u16string& name, const std::u16string& target,
                          const std::u16string& args) {
    std::u16string path = folder_ + u"\\" + name;
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    EXPECT_TRUE(SUCCEEDED(hr)) << "CoCreateInstance(ShellLink) gave 0x" << std::hex << hr;
    if (FAILED(hr)) return u"";
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->SetPath(W(target))) && SUCCEEDED(link->SetArguments(W(args))) &&
              SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Save(W(path), TRUE));
    if (file) file->Release();
    link->Release();
    EXPECT_TRUE(ok) << "could not save the link";
    return ok ? path : u"";
  }
  std::u16string folder_;
};

TEST_F(WindowUtilsShortcut, LinkResolvesToTargetAndArguments) {
  std::u16string target = MakeFile(u"Ziel \u00fc \u76ee\u6a19.txt", "target");
  std::u16string lnk =
      MakeLink(u"Verkn\u00fcpfung \u30ea\u30f3\u30af.lnk", target, u"-x \"a b\" \u00e9");
  ASSERT_FALSE(lnk.empty());
  std::u16string path = lnk, args = u"stale";
  ASSERT_TRUE(ResolveShortcut(path, &args)) << "a saved shell link must be recognised";

  EXPECT_EQ(0, CompareStringOrdinal(W(target), -1, W(path), -1, TRUE) - CSTR_EQUAL)
      << "expected the target path back (" << target.size() << " characters), got " << path.size()
      << " characters";
  EXPECT_EQ(u" -x \"a b\" \u00e9", args) << "arguments come with one leading space";
}

TEST_F(WindowUtilsShortcut, LinkWithoutArgumentsGivesEmptyArguments) {
  std::u16string target = MakeFile(u"plain.txt", "x");
  std::u16string lnk = MakeLink(u"plain.lnk", target, u"");
  ASSERT_FALSE(lnk.empty());
  std::u16string path = lnk, args = u"stale";
  ASSERT_TRUE(ResolveShortcut(path, &args));
  EXPECT_EQ(0, CompareStringOrdinal(W(target), -1, W(path), -1, TRUE) - CSTR_EQUAL);
  EXPECT_EQ(u"", args) << "no arguments: not even the space";
  path = lnk;
  EXPECT_TRUE(ResolveShortcut(path, nullptr)) << "arguments may be left out";
}

TEST_F(WindowUtilsShortcut, OrdinaryAndMissingFilesAreNotShortcuts) {
  std::u16string file = MakeFile(u"ordinary.txt", "not a link");
  std::u16string path = file, args = u"stale";
  EXPECT_FALSE(ResolveShortcut(path, &args));
  EXPECT_EQ(file, path) << "the path must stay as it was";
  EXPECT_EQ(u"", args) << "arguments are cleared";

  std::u16string missing = folder_ + u"\\missing.lnk";
  path = missing;
  args = u"stale";
  EXPECT_FALSE(ResolveShortcut(path, &args));
  EXPECT_EQ(missing, path);
  EXPECT_EQ(u"", args);
}

TEST_F(WindowUtilsShortcut, BrokenLinkFileLeavesThePath) {
  // Named like a link but holding no link: the shell may call it one, loading fails.
  std::u16string broken = MakeFile(u"broken.lnk", "this is not a shell link");
  std::u16string path = broken, args = u"stale";
  EXPECT_FALSE(ResolveShortcut(path, &args));
  EXPECT_EQ(broken, path);
  EXPECT_EQ(u"", args);
}

// An HDROP laid out as the shell passes it with WM_DROPFILES. Two closing zeros: Wine
// skips the first name before it looks for the end, so an empty list needs both.
HDROP MakeDrop(const std::vector<std::wstring>& names) {
  std::size_t chars = 2;
  for (const auto& n : names) chars += n.size() + 1;
  std::size_t bytes = sizeof(DROPFILES) + chars * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!mem) return nullptr;
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(df + 1);
  for (const auto& n : names) {
    std::memcpy(out, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
    out += n.size() + 1;
  }
  GlobalUnlock(mem);
  return static_cast<HDROP>(mem);
}

TEST(WindowUtilsDrop, NamesJoinedWithTab) {
  HDROP drop = MakeDrop({L"C:\\a\\one.txt", L"C:\\b\\zw\u00f6 \u4e8c.txt", L"D:\\three"});
  ASSERT_NE(nullptr, drop);
  EXPECT_EQ(u"C:\\a\\one.txt\tC:\\b\\zw\u00f6 \u4e8c.txt\tD:\\three", DroppedFileNames(drop, true));
  EXPECT_EQ(u"C:\\a\\one.txt", DroppedFileNames(drop, false)) << "only the first name";
  DragFinish(drop);
}

TEST(WindowUtilsDrop, EmptyDropAndNullHandle) {
  HDROP drop = MakeDrop({});
  ASSERT_NE(nullptr, drop);
  EXPECT_EQ(u"", DroppedFileNames(drop, true));
  EXPECT_EQ(u"", DroppedFileNames(drop, false));
  DragFinish(drop);
  EXPECT_EQ(u"", DroppedFileNames(nullptr, true));
}

TEST(WindowUtilsDrop, LongNamesAreCutAt1200Characters) {
  std::wstring longName = L"C:\\";
  while (longName.size() < 1300) longName += L'n';
  HDROP drop = MakeDrop({longName, L"C:\\short"});
  ASSERT_NE(nullptr, drop);
  std::u16string got = DroppedFileNames(drop, true);
  std::size_t tab = got.find(u'\t');
  ASSERT_NE(std::u16string::npos, tab) << "expected two names";
  EXPECT_EQ(1200u, tab) << "expected the first name cut to 1200 characters";
  EXPECT_EQ(u"C:\\short", got.substr(tab + 1));
  DragFinish(drop);
}

// No message box may appear (it would wait for a click): a hook refuses the
// creation of the box's window and records what was asked for.
struct BoxSpy {
  HHOOK hook = nullptr;
  int creations = 0;
  HWND parent = nullptr;
  bool dialogClass = false;
};
BoxSpy g_spy;

LRESULT CALLBACK RefuseWindows(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
    ++g_spy.creations;
    g_spy.parent = cs->hwndParent;
    // The dialog class is the atom 32770 (#32770).
    g_spy.dialogClass =
        IS_INTRESOURCE(cs->lpszClass)
            ? reinterpret_cast<ULONG_PTR>(cs->lpszClass) == 32770
            : CompareStringOrdinal(cs->lpszClass, -1, L"#32770", -1, TRUE) == CSTR_EQUAL;
    return 1;  // refused: the window is never made
  }
  // A backstop that cannot be reached while creation is refused.
  if (code == HCBT_ACTIVATE) PostMessageW(reinterpret_cast<HWND>(wp), WM_COMMAND, IDCANCEL, 0);
  return CallNextHookEx(g_spy.hook, code, wp, lp);
}

int RefusedMessageBox(HWND owner, const std::u16string& caption) {
  g_spy = BoxSpy{};
  g_spy.hook = SetWindowsHookExW(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
  if (!g_spy.hook) {
    ADD_FAILURE() << "no CBT hook (error " << GetLastError() << "): the box is not tried";
    return -1;
  }
  int result = ShowMessageBox(owner, u"body", caption, MB_OKCANCEL | MB_ICONINFORMATION);
  UnhookWindowsHookEx(g_spy.hook);
  return result;
}

TEST_F(WindowUtils, MessageBoxIsOwnedAndReportsFailure) {
  HWND owner = NewWindow(L"box owner");
  ASSERT_NE(nullptr, owner);
  for (const char16_t* caption : {u"Caption \u00fc", u""}) {
    int result = RefusedMessageBox(owner, caption);
    EXPECT_LE(1, g_spy.creations) << "expected the box's window to be asked for";
    EXPECT_TRUE(g_spy.dialogClass) << "expected a dialog-class window";
    EXPECT_EQ(owner, g_spy.parent) << "expected the box to belong to its owner";
    // Whatever the failure value (0, or -1 from the dialog code), it is no button.
    EXPECT_TRUE(result <= 0) << "expected no button, got " << result;
  }
}

}  // namespace
}  // namespace zelk::win
