// The window built-ins against real windows of another process: the control
// fixture, found, read, moved and closed by scripts.
#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "builtins/windows/window_ids.h"
#include "fixture_window.h"

namespace zelk {
namespace {

using namespace testing_desktop;

class WindowBuiltinTest : public DesktopScriptTest {};

TEST_F(WindowBuiltinTest, GetIdGivesStableIdsAndStatusReadsTheWindow) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  ASSERT_TRUE(fixture.window());
  RECT frame{}, client{};
  GetWindowRect(fixture.window(), &frame);
  GetClientRect(fixture.window(), &client);
  POINT origin{0, 0};
  ClientToScreen(fixture.window(), &origin);
  const std::wstring folder = ProgramFolder();
  ASSERT_EQ(0,
            Run({
                u"id = GETID(\"zelk fixture controls\")",
                u"PRINT id",
                u"PRINT GETID(\"ZELK Fixture Controls\")",          // the same window, the same ID
                u"PRINT GETID(\"Fixture Cont\", \"ZELKFIXTURE\")",  // partial title, class prefix
                u"PRINT GETID(\"Fixture Cont\", \"EDIT\", 0.05)",   // the class rules it out
                u"PRINT STATUS(id, ST_TITLE)",
                u"PRINT STATUS(id, ST_CLASS)",
                u"PRINT STATUS(id, ST_X) + \",\" + STATUS(id, ST_Y)",
                u"PRINT STATUS(id, ST_WIDTH) + \"x\" + STATUS(id, ST_HEIGHT)",
                u"PRINT STATUS(id, ST_CLX) + \",\" + STATUS(id, ST_CLY)",
                u"PRINT STATUS(id, ST_CLWIDTH) + \"x\" + STATUS(id, ST_CLHEIGHT)",
                u"PRINT STATUS(id, ST_PROCESS)",
                u"PRINT STATUS(id, ST_PATH)",
                u"PRINT STATUS(id, ST_WIN64)",
                u"PRINT STATUS(id, ST_VISIBLE) + \" \" + STATUS(id, ST_ICON) + \" \" + "
                u"STATUS(id, ST_MAXIMIZED) + \" \" + STATUS(id, ST_BUSY)",
                u"PRINT STATUS(id, ST_ISID) + \" \" + STATUS(id, ST_MONITOR)",
                u"PRINT STATUS(id, ST_JAVA)",
                u"pad = HNDTOID(GETCTLHND(id, \"Pad\"))",
                u"PRINT pad + \" \" + STATUS(pad, ST_PARENT)",
            }))
      << Errors();
  const std::string expected =
      "1\n1\n1\n-1\nZELK Fixture Controls\nZelkFixtureControls\n" + std::to_string(frame.left) +
      "," + std::to_string(frame.top) + "\n" + std::to_string(frame.right - frame.left) + "x" +
      std::to_string(frame.bottom - frame.top) + "\n" + std::to_string(origin.x) + "," +
      std::to_string(origin.y) + "\n" + std::to_string(client.right) + "x" +
      std::to_string(client.bottom) + "\n" + std::to_string(fixture.pid()) + "\n" +
      Narrow(std::u16string(folder.begin(), folder.end())) + "fixture_controls.exe\n" +
      (sizeof(void*) == 8 ? "True" : "False") +
      "\nTrue False False False\nTrue 0\n"
      // Wine has no Java Access Bridge: STATUS says so instead of guessing.
      "Not Found: WindowsAccessBridge.DLL\n"
      "2 1\n";
  EXPECT_EQ(expected, Printed());
}

TEST_F(WindowBuiltinTest, ExactTitleWinsOverPartialEvenInTheBackground) {
  FixtureWindow exact(L"MEMO");
  FixtureWindow longer(L"MEMO PAD");  // started last: the foreground window
  ASSERT_EQ(GetForegroundWindow(), longer.window());
  ASSERT_EQ(0, Run({u"PRINT STATUS(GETID(\"memo\"), ST_TITLE)",
                    u"PRINT STATUS(GETID(\"EMO P\"), ST_TITLE)",
                    u"PRINT STATUS(GETID(\"EMO\"), ST_TITLE)"}))
      << Errors();
  // "EMO" is part of both titles: the foreground window's partial pass runs first.
  EXPECT_EQ("MEMO\nMEMO PAD\nMEMO PAD\n", Printed());
}

TEST_F(WindowBuiltinTest, GetIdWaitsAsAskedAndForAWindowThatComesLater) {
  auto timed = [&](const std::u16string& line) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, Run({line})) << Errors();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };
  EXPECT_GE(timed(u"PRINT GETID(\"NO SUCH WINDOW 1\", \"\", 0.3)"), 300);
  EXPECT_EQ("-1\n", Printed());
  // A new title waits 0.8 s by default, a repeated one 0.1 s.
  EXPECT_GE(timed(u"x = GETID(\"NO SUCH WINDOW 2\")"), 800);
  const auto repeated = timed(u"x = GETID(\"NO SUCH WINDOW 2\")");
  EXPECT_GE(repeated, 100);
  const auto fresh = timed(u"x = GETID(\"NO SUCH WINDOW 3\")");
  EXPECT_LT(repeated, fresh);

  // A negative wait lasts until the window is there.
  std::unique_ptr<FixtureWindow> late;
  std::thread starter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    late = std::make_unique<FixtureWindow>(L"LATE WINDOW");
  });
  EXPECT_EQ(0, Run({u"id = GETID(\"LATE WINDOW\", \"\", -1)", u"PRINT STATUS(id, ST_TITLE)"}))
      << Errors();
  starter.join();
  EXPECT_EQ("LATE WINDOW\n", Printed());
}

TEST_F(WindowBuiltinTest, SpecialTitlesNameTheActiveWindowAndTheOneUnderTheCursor) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  HWND pad = fixture.Child(L"ZelkFixturePad");
  ASSERT_TRUE(pad);
  RECT r{};
  GetWindowRect(pad, &r);
  SetCursorPos(r.left + 10, r.top + 10);
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Fixture Controls\")", u"CTRLWIN(id, ACTIVATE)",
                    u"PRINT GETID(GET_ACTIVE_WIN) - id", u"PRINT GETID(GET_FROMPOINT_WIN) - id",
                    u"PRINT STATUS(GETID(GET_FROMPOINT_OBJ), ST_CLASS)",
                    // No debugger window in this program.
                    u"PRINT GETID(GET_THISZELK_WIN)", u"PRINT STATUS(0, ST_ACTIVE)"}))
      << Errors();
  EXPECT_EQ("0\n0\nZelkFixturePad\n-1\nTrue\n", Printed());
}

TEST_F(WindowBuiltinTest, CtrlwinChangesTheWindowStateAndCloses) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  ASSERT_EQ(0,
            Run({u"id = GETID(\"ZELK Fixture Controls\")", u"CTRLWIN(id, MIN)",
                 u"PRINT STATUS(id, ST_ICON)", u"CTRLWIN(id, NORMAL)", u"PRINT STATUS(id, ST_ICON)",
                 u"CTRLWIN(id, MAX)", u"PRINT STATUS(id, ST_MAXIMIZED)", u"CTRLWIN(id, NORMAL)",
                 u"CTRLWIN(id, HIDE)", u"PRINT STATUS(id, ST_VISIBLE)",
                 u"PRINT GETID(\"ZELK Fixture Controls\") = id",  // hidden windows are found
                 u"CTRLWIN(id, SHOW)", u"PRINT STATUS(id, ST_VISIBLE)", u"CTRLWIN(id, TOPMOST)",
                 u"CTRLWIN(id, 32773, 7, 9)",  // any other number is a raw message
                 u"CTRLWIN(id, CLOSE)", u"SLEEPLESS = GETID(\"NO SUCH WINDOW\", \"\", 0.5)",
                 u"PRINT IDTOHND(id) + \" \" + STATUS(id, ST_ISID)"}))
      << Errors();
  EXPECT_EQ("True\nFalse\nTrue\nFalse\nTrue\nTrue\n0 False\n", Printed());
  EXPECT_TRUE(fixture.Has("MESSAGE 32773 7 9")) << fixture.Log();
  EXPECT_TRUE(fixture.Has("CLOSE"));
  EXPECT_TRUE(fixture.Exited(5000));
}

TEST_F(WindowBuiltinTest, TopmostIsSetAndCleared) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  // The target applies the change when it takes the message: allow it a moment.
  auto topmost = [&] {
    Settle(500);
    return (GetWindowLongPtrW(fixture.window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  };
  ASSERT_EQ(0, Run({u"CTRLWIN(GETID(\"ZELK Fixture Controls\"), TOPMOST)"}));
  if (!topmost()) {
    GTEST_SKIP() << "Wine without a window manager does not keep HWND_TOPMOST set on "
                    "another process's window";
  }
  ASSERT_EQ(0, Run({u"CTRLWIN(GETID(\"ZELK Fixture Controls\"), NOTOPMOST)"}));
  EXPECT_FALSE(topmost());
}

TEST_F(WindowBuiltinTest, AcwMovesAndSizesTheVisibleFrame) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Fixture Controls\")", u"ACW(id, 120, 90, 600, 400)",
                    u"PRINT STATUS(id, ST_X) + \",\" + STATUS(id, ST_Y) + \" \" + "
                    u"STATUS(id, ST_WIDTH) + \"x\" + STATUS(id, ST_HEIGHT)",
                    // Position only; ID 0 is the last GETID's window.
                    u"ACW(0, 150, 100)",
                    u"PRINT STATUS(id, ST_X) + \",\" + STATUS(id, ST_Y) + "
                    u"\" \" + STATUS(id, ST_WIDTH)"}))
      << Errors();
  EXPECT_EQ("120,90 600x400\n150,100 600\n", Printed());
  RECT r{};
  GetWindowRect(fixture.window(), &r);
  EXPECT_EQ(150, r.left);
}

TEST_F(WindowBuiltinTest, GetallwinAndGetctlhndFindTheControls) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  HWND ok = fixture.Child(L"Button", L"OK");
  HWND cancel = fixture.Child(L"Button", L"Cancel");
  HWND label = fixture.Child(L"Static", L"&Name:");
  ASSERT_TRUE(ok && cancel && label);
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Fixture Controls\")",
                    u"n = GETALLWIN(id)",
                    u"classes = \"\"",
                    u"FOR i = 0 TO n - 1",
                    u"  classes = classes + STATUS(ALL_WIN_ID[i], ST_CLASS) + \";\"",
                    u"NEXT",
                    u"PRINT n",
                    u"PRINT classes",
                    u"all = GETALLWIN()",
                    u"found = FALSE",
                    u"FOR i = 0 TO all - 1",
                    u"  IF ALL_WIN_ID[i] = id THEN found = TRUE",
                    u"NEXT",
                    u"PRINT found",
                    u"PRINT GETALLWIN(-5)",
                    u"PRINT GETCTLHND(id, \"ok\")",
                    u"PRINT GETCTLHND(id, \"Name\")",  // \"&Name:\" as users name it
                    u"PRINT GETCTLHND(id, \"button\", 2)",
                    u"PRINT GETCTLHND(id, GET_MENU_HND)",
                    u"PRINT GETCTLHND(id, \"no such control\")"}))
      << Errors();
  const std::string expected =
      "20\nToolbarWindow32;msctls_statusbar32;Button;Button;Button;Button;Button;Static;Edit;"
      "RichEdit50W;ListBox;ComboBox;SysTabControl32;SysTreeView32;SysListView32;SysHeader32;"
      "msctls_trackbar32;ScrollBar;SysLink;ZelkFixturePad;\nTrue\n0\n" +
      std::to_string(reinterpret_cast<std::uintptr_t>(ok)) + "\n" +
      std::to_string(reinterpret_cast<std::uintptr_t>(label)) + "\n" +
      std::to_string(reinterpret_cast<std::uintptr_t>(cancel)) + "\n" +
      std::to_string(reinterpret_cast<std::uintptr_t>(GetMenu(fixture.window()))) + "\n0\n";
  EXPECT_EQ(expected, Printed());
}

TEST_F(WindowBuiltinTest, IdsLiveForOneRunAndNameLiveWindowsOnly) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  const std::u16string handle = u"" + [&] {
    std::string s = std::to_string(reinterpret_cast<std::uintptr_t>(fixture.window()));
    return std::u16string(s.begin(), s.end());
  }();
  ASSERT_EQ(0, Run({u"PRINT HNDTOID(" + handle + u")", u"PRINT HNDTOID(" + handle + u")",
                    u"PRINT IDTOHND(1) = " + handle, u"PRINT HNDTOID(0)", u"PRINT IDTOHND(2)",
                    u"PRINT IDTOHND(-1)"}))
      << Errors();
  EXPECT_EQ("1\n1\nTrue\n-1\n0\n0\n", Printed());
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(fixture.window()), WindowOfId(1, interp.global));
  // A new run starts the table afresh.
  ASSERT_EQ(0, Run({u"PRINT IDTOHND(1)", u"PRINT GETID(\"ZELK Fixture Controls\")"}));
  EXPECT_EQ("0\n1\n", Printed());
  EXPECT_EQ(0u, WindowOfId(7, interp.global));
}

TEST_F(WindowBuiltinTest, MonitorDescribesThePrimaryDisplay) {
  ASSERT_EQ(0, Run({u"PRINT MONITOR()", u"PRINT MONITOR(0, MON_PRIMARY)",
                    u"PRINT MONITOR(0, MON_X) + \",\" + MONITOR(0, MON_Y) + \" \" + "
                    u"MONITOR(0, MON_WIDTH) + \"x\" + MONITOR(0, MON_HEIGHT)",
                    u"PRINT MONITOR(5, MON_WIDTH)", u"PRINT LENGTH(MONITOR(0, MON_NAME)) > 0"}))
      << Errors();
  EXPECT_EQ("1\nTrue\n0,0 " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "\nFalse\nTrue\n",
            Printed());
}

TEST_F(WindowBuiltinTest, GetIdOfAnExistingWindowIsQuick) {
  FixtureWindow fixture(L"ZELK Fixture Controls");
  ASSERT_EQ(0, Run({u"x = GETID(\"ZELK Fixture Controls\")"}));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(0, Run({u"FOR i = 1 TO 50", u"  x = GETID(\"ZELK Fixture Controls\")", u"NEXT"}));
  const double each =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
      50;
  std::printf("GETID of an existing window: %.2f ms\n", each);
  EXPECT_LT(each, 50.0);
}

}  // namespace
}  // namespace zelk
#endif  // _WIN32
