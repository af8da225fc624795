// The script dialogs as a user meets them: a script runs on the test's
// thread while a second thread finds each window, reads it, types into it
// and presses its buttons; the script prints what it received.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/messages.h"
#include "foundation/text_file.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

using Clock = std::chrono::steady_clock;

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string TextOf(HWND w) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(w, buffer, 1024);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::u16string ClassOf(HWND w) {
  wchar_t buffer[256] = {};
  GetClassNameW(w, buffer, 256);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

// A visible top-level window of the class, waited for up to five seconds.
HWND WaitFor(const wchar_t* className) {
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < end) {
    HWND w = FindWindowW(className, nullptr);
    if (w && IsWindowVisible(w)) return w;
    Sleep(20);
  }
  return nullptr;
}

void WaitGone(HWND w) {
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (IsWindow(w) && IsWindowVisible(w) && Clock::now() < end) Sleep(10);
}

struct ChildSearch {
  std::u16string className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
  auto* search = reinterpret_cast<ChildSearch*>(p);
  if (ClassOf(w) == search->className) search->found.push_back(w);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const std::u16string& className) {
  ChildSearch search{className, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChildWithText(HWND parent, const std::u16string& className, const std::u16string& text) {
  for (HWND w : Children(parent, className)) {
    if (TextOf(w) == text) return w;
  }
  return nullptr;
}

std::vector<std::u16string> Texts(HWND parent, const std::u16string& className) {
  std::vector<std::u16string> texts;
  for (HWND w : Children(parent, className)) texts.push_back(TextOf(w));
  return texts;
}

void Click(HWND button) {
  if (button) PostMessageW(button, BM_CLICK, 0, 0);
}

void Key(HWND target, UINT key) {
  PostMessageW(target, WM_KEYDOWN, key, 0);
  PostMessageW(target, WM_KEYUP, key, 0xC0000000);
}

void Type(HWND edit, const std::u16string& text) {
  for (char16_t c : text) PostMessageW(edit, WM_CHAR, c, 0);
}

RECT RectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

// Ends any dialog a failed step left open, so that the run can finish.
void CloseLeftovers() {
  for (const wchar_t* c : {L"TUmsgDlg_zelk", L"TUinpBox_zelk", L"TUslctBox_zelk"}) {
    if (HWND w = FindWindowW(c, nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
  }
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (menu && IsWindowVisible(menu)) Key(menu, VK_ESCAPE);
}

class DialogTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
  }

  // Runs the script while steps drive its windows from another thread.
  void Run(const std::vector<std::u16string>& lines, const std::function<void()>& steps) {
    const std::u16string path = os::TempFolder() + u"\\zelk-dialog-test.zls";
    ASSERT_TRUE(SaveTextFile(path, lines, kEncodingUtf8));
    std::atomic<bool> done{false};
    std::thread driver([&] {
      steps();
      while (!done) {
        CloseLeftovers();
        Sleep(100);
      }
    });
    RunScriptFile(interp, path, {});
    done = true;
    driver.join();
  }

  std::vector<std::u16string> Printed() const { return host.printed; }
};

TEST_F(DialogTest, MessageBoxShowsItsButtonsCentredAndReturnsThePressedOne) {
  std::vector<std::u16string> labels, buttons;
  std::u16string caption;
  RECT client{}, yes{}, no{};
  Run({u"PRINT MSGBOX(\"Proceed?\", BTN_YES + BTN_NO)",
       u"PRINT MSGBOX(\"Again\", BTN_YES + BTN_NO)",
       u"PRINT MSGBOX(\"Focus\", BTN_OK + BTN_CANCEL, , , BTN_CANCEL)"},
      [&] {
        HWND w = WaitFor(L"TUmsgDlg_zelk");
        caption = TextOf(w);
        labels = Texts(w, u"Static");
        buttons = Texts(w, u"Button");
        GetClientRect(w, &client);
        HWND noButton = ChildWithText(w, u"Button", u"No");
        yes = RectOf(ChildWithText(w, u"Button", u"Yes"));
        no = RectOf(noButton);
        ScreenToClient(w, reinterpret_cast<POINT*>(&yes.left));
        ScreenToClient(w, reinterpret_cast<POINT*>(&no.right));
        Click(noButton);
        WaitGone(w);
        w = WaitFor(L"TUmsgDlg_zelk");
        Key(w, VK_ESCAPE);
        WaitGone(w);
        w = WaitFor(L"TUmsgDlg_zelk");
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info);
        Key(info.hwndFocus ? info.hwndFocus : w, VK_RETURN);
        WaitGone(w);
      });
  EXPECT_TRUE(caption.starts_with(u"ZELK - ")) << Narrow(caption);
  EXPECT_EQ(labels, std::vector<std::u16string>{u"Proceed?"});
  EXPECT_EQ(buttons, (std::vector<std::u16string>{u"Yes", u"No"}));
  EXPECT_LE(std::abs(yes.left - (client.right - no.right)), 8) << yes.left << " " << no.right;
  EXPECT_EQ(Printed(), (std::vector<std::u16string>{u"8", u"2", u"2"}));
}

TEST_F(DialogTest, MessageBoxButtonsSpeakJapaneseOnAJapaneseSystem) {
  std::vector<std::u16string> buttons;
  const bool japanese = JapaneseMessages();
  SetJapaneseMessages(true);
  Run({u"PRINT MSGBOX(\"Japanese\", BTN_YES + BTN_NO + BTN_CANCEL + BTN_ABORT + BTN_RETRY + "
       u"BTN_IGNORE)"},
      [&] {
        HWND w = WaitFor(L"TUmsgDlg_zelk");
        buttons = Texts(w, u"Button");
        Click(ChildWithText(w, u"Button", u"中止(&A)"));
        WaitGone(w);
      });
  SetJapaneseMessages(japanese);
  EXPECT_EQ(buttons, (std::vector<std::u16string>{u"はい(&Y)", u"いいえ(&N)", u"Cancel",
                                                  u"中止(&A)", u"再試行(&R)", u"無視(&I)"}));
  EXPECT_EQ(Printed(), std::vector<std::u16string>{u"16"});
}

TEST_F(DialogTest, MessageBoxTakesTheScriptsTitleAndMarksAddresses) {
  std::u16string caption;
  std::vector<std::u16string> statics;
  Run({u"OPTION DLGTITLE = \"My title\"",
       u"PRINT MSGBOX(\"Go to http://example.com/a, then back\", BTN_OK, 40, 50, 0, TRUE)"},
      [&] {
        HWND w = WaitFor(L"TUmsgDlg_zelk");
        caption = TextOf(w);
        statics = Texts(w, u"Static");
        std::sort(statics.begin(), statics.end());
        const RECT r = RectOf(w);
        if (r.left != 40 || r.top != 50) statics.push_back(u"misplaced");
        Click(ChildWithText(w, u"Button", u"OK"));
        WaitGone(w);
      });
  EXPECT_EQ(caption, u"My title");
  // The label, and the address laid over it.
  EXPECT_EQ(statics, (std::vector<std::u16string>{u"Go to http://example.com/a, then back",
                                                  u"http://example.com/a"}));
  EXPECT_EQ(Printed(), std::vector<std::u16string>{u"1"});
}

TEST_F(DialogTest, InputGivesNumbersAsNarrowTextsAndEmptyWhenCancelled) {
  std::u16string prompt, preset;
  bool masked = false;
  Run({u"r = INPUT(\"Count?\", \"abc\")", u"PRINT r + 1", u"r = INPUT(\"Again\")",
       u"PRINT VARTYPE(r)", u"r = INPUT(\"Secret\", \"\", TRUE)", u"PRINT r",
       u"PRINT VARTYPE(INPUT(\"Empty\"))"},
      [&] {
        HWND w = WaitFor(L"TUinpBox_zelk");
        prompt = TextOf(Children(w, u"Static").at(0));
        HWND edit = Children(w, u"Edit").at(0);
        preset = TextOf(edit);
        SetWindowTextW(edit, L"");
        Type(edit, u"12");
        Sleep(100);
        Click(ChildWithText(w, u"Button", u"&OK"));
        WaitGone(w);
        w = WaitFor(L"TUinpBox_zelk");
        Click(ChildWithText(w, u"Button", u"Cancel"));
        WaitGone(w);
        w = WaitFor(L"TUinpBox_zelk");
        edit = Children(w, u"Edit").at(0);
        masked = (GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) != 0;
        Type(edit, u"pw");
        Sleep(100);
        Key(edit, VK_RETURN);
        WaitGone(w);
        w = WaitFor(L"TUinpBox_zelk");
        Click(ChildWithText(w, u"Button", u"&OK"));
        WaitGone(w);
      });
  EXPECT_EQ(prompt, u"Count?");
  EXPECT_EQ(preset, u"abc");
  EXPECT_TRUE(masked);
  // 12 + 1 adds; a cancelled box gives Empty (0), OK on nothing a text (258).
  EXPECT_EQ(Printed(), (std::vector<std::u16string>{u"13", u"0", u"pw", u"258"}));
}

TEST_F(DialogTest, SelectionBoxButtonsDropEmptyChoicesAndTakeAPosition) {
  std::vector<std::u16string> first, second;
  RECT placed{};
  Run({u"PRINT SLCTBOX(SLCT_BTN, 0, \"Pick\", \"a\", \"\", \"b\")",
       u"PRINT SLCTBOX(SLCT_BTN, 0, 100, 200, \"Where\", \"x\", \"y\")",
       u"PRINT SLCTBOX(SLCT_BTN + SLCT_STR, 0, \"Esc\", \"x\")"},
      [&] {
        HWND w = WaitFor(L"TUslctBox_zelk");
        first = Texts(w, u"Button");
        Click(ChildWithText(w, u"Button", u"b"));
        WaitGone(w);
        w = WaitFor(L"TUslctBox_zelk");
        second = Texts(w, u"Button");
        placed = RectOf(w);
        Click(ChildWithText(w, u"Button", u"x"));
        WaitGone(w);
        w = WaitFor(L"TUslctBox_zelk");
        Key(w, VK_ESCAPE);
        WaitGone(w);
      });
  EXPECT_EQ(first, (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(second, (std::vector<std::u16string>{u"x", u"y"}));
  EXPECT_EQ(placed.left, 100);
  EXPECT_EQ(placed.top, 200);
  EXPECT_EQ(Printed(), (std::vector<std::u16string>{u"2", u"1", u"-1"}));
}

TEST_F(DialogTest, SelectionBoxChecksRadiosComboAndList) {
  std::vector<std::u16string> checks;
  Run({u"PRINT SLCTBOX(SLCT_CHK, 0, \"m\", \"p\", \"q\", \"r\")",
       u"PRINT SLCTBOX(SLCT_CHK + SLCT_STR, 0, \"m\", \"p\", \"q\", \"r\")",
       u"PRINT SLCTBOX(SLCT_RDO + SLCT_NUM, 0, \"m\", \"p\", \"q\", \"r\")",
       u"PRINT SLCTBOX(SLCT_CMB + SLCT_STR, 0, \"m\", \"p\", \"q\", \"r\")",
       u"PRINT SLCTBOX(SLCT_LST, 0, \"m\", \"p\", \"q\", \"r\")"},
      [&] {
        for (int round = 0; round < 2; ++round) {
          HWND w = WaitFor(L"TUslctBox_zelk");
          if (round == 0) checks = Texts(w, u"Button");
          Click(ChildWithText(w, u"Button", u"q"));
          Click(ChildWithText(w, u"Button", u"r"));
          Click(ChildWithText(w, u"Button", u"OK"));
          WaitGone(w);
        }
        HWND w = WaitFor(L"TUslctBox_zelk");
        Click(ChildWithText(w, u"Button", u"r"));
        Click(ChildWithText(w, u"Button", u"OK"));
        WaitGone(w);
        w = WaitFor(L"TUslctBox_zelk");
        SendMessageW(Children(w, u"ComboBox").at(0), CB_SETCURSEL, 1, 0);
        Click(ChildWithText(w, u"Button", u"OK"));
        WaitGone(w);
        w = WaitFor(L"TUslctBox_zelk");
        HWND list = Children(w, u"ListBox").at(0);
        SendMessageW(list, LB_SETSEL, TRUE, 2);
        Click(ChildWithText(w, u"Button", u"OK"));
        WaitGone(w);
      });
  EXPECT_EQ(checks, (std::vector<std::u16string>{u"p", u"q", u"r", u"OK"}));
  EXPECT_EQ(Printed(), (std::vector<std::u16string>{u"6", u"q\tr", u"2", u"q", u"5"}));
}

// Indexes: one alone becomes a number, several joined by TAB stay a text.
TEST_F(DialogTest, SelectionBoxIndexesAreANumberAloneAndATextTogether) {
  Run({u"r = SLCTBOX(SLCT_LST + SLCT_NUM, 0, \"m\", \"p\", \"q\", \"r\")",
       u"PRINT REPLACE(r, CHR(9), \"|\")",
       u"r = SLCTBOX(SLCT_CHK + SLCT_NUM, 0, \"m\", \"p\", \"q\")", u"PRINT r + 1",
       u"PRINT SLCTBOX(SLCT_BTN + SLCT_STR, 0, \"m\", \"p\", \"q\")"},
      [&] {
        HWND w = WaitFor(L"TUslctBox_zelk");
        HWND list = Children(w, u"ListBox").at(0);
        SendMessageW(list, LB_SETSEL, TRUE, 2);  // the first stays selected
        Click(ChildWithText(w, u"Button", u"OK"));
        WaitGone(w);
        w = WaitFor(L"TUslctBox_zelk");
        Click(ChildWithText(w, u"Button", u"q"));
        Click(ChildWithText(w, u"Button", u"OK"));
        WaitGone(w);
        w = WaitFor(L"TUslctBox_zelk");
        Click(ChildWithText(w, u"Button", u"q"));
        WaitGone(w);
      });
  EXPECT_EQ(Printed(), (std::vector<std::u16string>{u"0|2", u"2", u"q"}));
}

TEST_F(DialogTest, SelectionBoxCountsDownAndShowsAtMost31Buttons) {
  std::size_t buttons = 0;
  std::vector<std::u16string> lines{u"DIM many[39]",
                                    u"FOR i = 0 TO 39",
                                    u"many[i] = \"c\" + i",
                                    u"NEXT",
                                    u"PRINT SLCTBOX(SLCT_BTN, 0, \"Many\", many)",
                                    u"PRINT SLCTBOX(SLCT_BTN, 1, \"Wait\", \"a\")"};
  long long waited = 0;
  Run(lines, [&] {
    HWND w = WaitFor(L"TUslctBox_zelk");
    buttons = Children(w, u"Button").size();
    Click(ChildWithText(w, u"Button", u"c30"));
    WaitGone(w);
    w = WaitFor(L"TUslctBox_zelk");
    const auto shown = Clock::now();
    WaitGone(w);
    waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shown).count();
  });
  EXPECT_EQ(buttons, 31u);
  EXPECT_GE(waited, 700);
  EXPECT_LE(waited, 3000);
  EXPECT_EQ(Printed(), (std::vector<std::u16string>{u"1073741824", u"0"}));
}

TEST_F(DialogTest, PopupMenuReturnsTheChosenItemAndReusesItsMenu) {
  std::vector<std::u16string> top, sub;
  HMENU firstMenu = nullptr, secondMenu = nullptr;
  Run({u"DIM items[] = \"Alpha\", \"{Beta\", \"Gamma}\", \"Delta\"",
       u"PRINT POPUPMENU(items, 30, 40)", u"PRINT POPUPMENU(items, 30, 40)",
       u"DIM bad[] = \"{A\", \"B\"", u"PRINT POPUPMENU(bad, 30, 40)"},
      [&] {
        HWND m = WaitFor(L"#32768");
        firstMenu = reinterpret_cast<HMENU>(SendMessageW(m, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(firstMenu); ++i) {
          wchar_t text[64] = {};
          GetMenuStringW(firstMenu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
          top.push_back(reinterpret_cast<const char16_t*>(text));
        }
        HMENU child = GetSubMenu(firstMenu, 0);
        for (int i = 0; child && i < GetMenuItemCount(child); ++i) {
          wchar_t text[64] = {};
          GetMenuStringW(child, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
          sub.push_back(reinterpret_cast<const char16_t*>(text));
        }
        for (UINT key : {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}) {
          Key(m, key);
          Sleep(100);
        }
        WaitGone(m);
        m = WaitFor(L"#32768");
        secondMenu = reinterpret_cast<HMENU>(SendMessageW(m, MN_GETHMENU, 0, 0));
        Key(m, VK_ESCAPE);
        WaitGone(m);
      });
  EXPECT_EQ(top, (std::vector<std::u16string>{u"Alpha", u"Delta"}));
  EXPECT_EQ(sub, (std::vector<std::u16string>{u"Beta", u"Gamma"}));
  EXPECT_EQ(firstMenu, secondMenu);
  ASSERT_GE(Printed().size(), 2u);
  EXPECT_EQ(Printed()[0], u"2");
  EXPECT_EQ(Printed()[1], u"-1");
  ASSERT_FALSE(host.errors.empty());
  EXPECT_TRUE(host.errors[0].starts_with(u"PopupMenu: Parameter Error")) << Narrow(host.errors[0]);
}

TEST_F(DialogTest, BalloonStandsWhereAskedWithItsTextShapeAndOpacity) {
  Run({u"FUKIDASI(\"Hello balloon\", 100, 120, 2, 0, \"\", 0, 0, 100)"}, [] {});
  HWND w = reinterpret_cast<HWND>(os::BalloonWindow(0));
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(ClassOf(w), u"TFfukidsi");
  EXPECT_EQ(TextOf(w), u"Hello balloon");
  const RECT r = RectOf(w);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 155);
  EXPECT_TRUE(flags & LWA_ALPHA);
  // The pointer at the bottom: the region leaves out the corners beside it.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(w, region), ERROR);
  const int height = r.bottom - r.top;
  EXPECT_TRUE(PtInRegion(region, 2, 2));
  EXPECT_FALSE(PtInRegion(region, 2, height - 3));
  DeleteObject(region);

  // An empty text hides it; BALLOON is the same window.
  Run({u"BALLOON(\"\")"}, [] {});
  EXPECT_FALSE(IsWindowVisible(w));
  Run({u"BALLOON(\"Again\", 10, 20)"}, [] {});
  EXPECT_EQ(reinterpret_cast<HWND>(os::BalloonWindow(0)), w);
  EXPECT_EQ(TextOf(w), u"Again");
  EXPECT_EQ(RectOf(w).left, 10);
  os::DestroyBalloon(0);
}

TEST_F(DialogTest, LogprintShowsThePrintWindowWhereAsked) {
  Run({u"PRINT \"line one\"", u"PRINT \"line two\"", u"LOGPRINT(TRUE, 50, 60, 300, 200)"}, [] {});
  HWND w = reinterpret_cast<HWND>(os::PrintWindowHandle());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(IsWindowVisible(w));
  const RECT r = RectOf(w);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 60);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
  EXPECT_TRUE(TextOf(w).starts_with(u"ZELK - ")) << Narrow(TextOf(w));
  HWND edit = Children(w, u"Edit").at(0);
  EXPECT_EQ(TextOf(edit), u"line one\r\nline two\r\n");
  Run({u"LOGPRINT()"}, [] {});
  EXPECT_FALSE(IsWindowVisible(w));
}

// Once shown, the window takes every later line; LOGPRINT(FALSE) keeps it
// hidden through them, and the next run may show it again.
TEST_F(DialogTest, LogprintWindowFollowsLaterPrintsUntilItIsHidden) {
  Run({u"PRINT \"one\"", u"LOGPRINT(TRUE, 40, 40, 300, 200)", u"PRINT \"two\"", u"LOGPRINT(FALSE)",
       u"PRINT \"three\""},
      [] {});
  HWND w = reinterpret_cast<HWND>(os::PrintWindowHandle());
  ASSERT_NE(w, nullptr);
  HWND edit = Children(w, u"Edit").at(0);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(TextOf(edit), u"one\r\ntwo\r\nthree\r\n");

  Run({u"PRINT \"four\"", u"LOGPRINT(TRUE)", u"PRINT \"five\""}, [] {});
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(TextOf(edit), u"four\r\nfive\r\n");

  // Closed by the user: the next printed line brings it back.
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(w));
  Run({u"PRINT \"six\""}, [] {});
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(TextOf(edit), u"four\r\nfive\r\nsix\r\n");
  Run({u"LOGPRINT(FALSE)"}, [] {});
}

TEST_F(DialogTest, StopFormExistsWithoutSizeAndStopformReturnsEmpty) {
  HWND stop = reinterpret_cast<HWND>(os::StopFormWindow());
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(TextOf(stop), u"STOP");
  EXPECT_EQ(ClassOf(stop), u"TFTeisi");
  EXPECT_FALSE(IsWindowVisible(stop));
  const RECT r = RectOf(stop);
  EXPECT_EQ(r.right - r.left, 0);
  Run({u"PRINT \"[\" + STOPFORM() + \"]\""}, [] {});
  EXPECT_EQ(Printed(), std::vector<std::u16string>{u"[]"});
}

}  // namespace
}  // namespace zelk
#endif
