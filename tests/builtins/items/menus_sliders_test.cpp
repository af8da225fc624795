// Menus and window scroll bars through CLKITEM, GETSLIDER and SETSLIDER,
// and the slider controls of the items fixture. Wine reads neither the menus
// nor the window scroll bars of another process (GetMenuItemInfo fails with
// 1401, GetScrollInfo with 0), so those run against a window of this process.
#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "items_fixture.h"

namespace zelk {
namespace {

using namespace testing_desktop;

// A window of this thread with a menu bar and scroll bars of its own, which
// records the commands it receives as a program would see them.
class HostWindow {
 public:
  explicit HostWindow(bool withBars) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW cls{};
      cls.lpfnWndProc = Proc;
      cls.hInstance = GetModuleHandleW(nullptr);
      cls.lpszClassName = L"ZelkItemsHost";
      RegisterClassW(&cls);
      registered = true;
    }
    const DWORD bars = withBars ? WS_HSCROLL | WS_VSCROLL : 0;
    window_ = CreateWindowExW(0, L"ZelkItemsHost", L"ZELK Items Host",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | bars, 30, 30, 400, 300, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    HMENU recent = CreatePopupMenu();
    AppendMenuW(recent, MF_STRING, 111, L"&One");
    AppendMenuW(recent, MF_STRING, 112, L"&Two");
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 101, L"&New\tCtrl+N");
    AppendMenuW(file, MF_STRING, 102, L"&Open...");
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"&Recent");
    view_ = CreatePopupMenu();
    AppendMenuW(view_, MF_STRING | MF_CHECKED, 121, L"&Status Bar");
    AppendMenuW(view_, MF_STRING, 122, L"&Grid");
    AppendMenuW(view_, MF_STRING | MF_GRAYED, 123, L"&Hidden");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view_), L"&View");
    SetMenu(window_, bar);
    if (withBars) {
      SCROLLINFO h{sizeof h, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 40, 5, 3, 0};
      SetScrollInfo(window_, SB_HORZ, &h, TRUE);
      SCROLLINFO v{sizeof v, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 50, 10, 0, 0};
      SetScrollInfo(window_, SB_VERT, &v, TRUE);
    }
    commands().clear();
    popups() = 0;
  }
  ~HostWindow() { DestroyWindow(window_); }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  bool Checked(UINT id) const { return GetMenuState(view_, id, MF_BYCOMMAND) & MF_CHECKED; }
  int Position(int bar) const { return GetScrollPos(window_, bar); }
  static std::vector<int>& commands() {
    static std::vector<int> list;
    return list;
  }
  static int& popups() {
    static int count = 0;
    return count;
  }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_COMMAND: {
        const UINT id = LOWORD(wp);
        commands().push_back(static_cast<int>(id));
        if (id == 121 || id == 122) {
          HMENU view = GetSubMenu(GetMenu(h), 1);
          const bool on = GetMenuState(view, id, MF_BYCOMMAND) & MF_CHECKED;
          CheckMenuItem(view, id, MF_BYCOMMAND | (on ? MF_UNCHECKED : MF_CHECKED));
        }
        return 0;
      }
      case WM_INITMENUPOPUP:
        ++popups();
        return 0;
      case WM_VSCROLL:
      case WM_HSCROLL: {
        const int bar = msg == WM_VSCROLL ? SB_VERT : SB_HORZ;
        const int step = LOWORD(wp) == SB_LINEDOWN ? 1 : LOWORD(wp) == SB_LINEUP ? -1 : 0;
        SetScrollPos(h, bar, GetScrollPos(h, bar) + step, TRUE);
        return 0;
      }
      default:
        return DefWindowProcW(h, msg, wp, lp);
    }
  }

  HWND window_;
  HMENU view_;
};

class MenuSliderTest : public DesktopScriptTest {};

TEST_F(MenuSliderTest, MenuCommandsArePostedByPathOrCaptionUnlessAlreadyChecked) {
  HostWindow host(false);
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Items Host\")",
                   u"PRINT CLKITEM(id, \"File\\Open\", CLK_MENU)",        // "&Open..." as read
                   u"PRINT CLKITEM(id, \"Two\", CLK_MENU)",               // found depth first
                   u"PRINT CLKITEM(id, \"View\\Status Bar\", CLK_MENU)",  // checked: not posted
                   u"PRINT CLKITEM(id, \"View\\Grid\", CLK_MENU)",
                   u"PRINT CLKITEM(id, \"Hidden\", CLK_MENU)",     // grayed: passed over
                   u"PRINT CLKITEM(id, \"Recent\", CLK_MENU)",     // opens a popup: no command
                   u"PRINT CLKITEM(id, \"File\\Two\", CLK_MENU)",  // not at that level
                   u"PRINT CLKITEM(id, \"Status Bar\", CLK_MENU, FALSE)",
               }))
      << Errors();
  Settle(100);
  EXPECT_EQ("True\nTrue\nTrue\nTrue\nFalse\nFalse\nFalse\nTrue\n", Printed());
  EXPECT_EQ((std::vector<int>{102, 112, 122, 121}), HostWindow::commands());
  EXPECT_FALSE(host.Checked(121));
  EXPECT_TRUE(host.Checked(122));
  EXPECT_GT(HostWindow::popups(), 0) << "a popup is told before its item is read";
}

TEST_F(MenuSliderTest, TheMenuOfAnotherProcessIsReadWhereTheSystemAllows) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  if (GetMenuItemCount(GetMenu(fixture.window())) < 0) {
    // The engine asks and finds nothing; the script is told FALSE, not misled.
    ASSERT_EQ(0, Run({u"PRINT CLKITEM(GETID(\"ZELK Fixture Items\"), \"File\\New\", CLK_MENU)"}))
        << Errors();
    EXPECT_EQ("False\n", Printed());
    GTEST_SKIP() << "Wine reads no menu of another process (GetMenuItemCount fails)";
  }
  fixture.ClearLog();
  ASSERT_EQ(
      0, Run({u"id = GETID(\"ZELK Fixture Items\")", u"PRINT CLKITEM(id, \"File\\New\", CLK_MENU)",
              u"PRINT CLKITEM(id, \"Status Bar\", CHK_MENU)"}))
      << Errors();
  EXPECT_EQ("True\n1\n", Printed());
  EXPECT_TRUE(fixture.WaitFor("MENU 101", 2000)) << fixture.Log();
}

TEST_F(MenuSliderTest, MenuStatesAreReadAndTheToolbarFallsBackToTheMenuBar) {
  HostWindow host(false);
  ASSERT_EQ(
      0, Run({
             u"id = GETID(\"ZELK Items Host\")", u"PRINT CLKITEM(id, \"Status Bar\", CHK_MENU)",
             u"PRINT CLKITEM(id, \"Grid\", CHK_MENU)", u"PRINT CLKITEM(id, \"Missing\", CHK_MENU)",
             u"PRINT CLKITEM(id, \"New\", CLK_TOOLBAR)",  // no toolbar: the menu bar
         }))
      << Errors();
  Settle(100);
  EXPECT_EQ("1\n0\n-1\nTrue\n", Printed());
  EXPECT_EQ((std::vector<int>{101}), HostWindow::commands());
}

TEST_F(MenuSliderTest, TooLongAPathIsAnErrorTryCanTake) {
  HostWindow host(false);
  std::u16string path = u"a";
  for (int i = 0; i < 33; ++i) path += u"\\a";
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Items Host\")",
                   u"TRY",
                   u"  PRINT CLKITEM(id, \"" + path + u"\", CLK_MENU)",
                   u"EXCEPT",
                   u"  PRINT COPY(TRY_ERRMSG, 1, 11)",
                   u"ENDTRY",
               }))
      << Errors();
  EXPECT_EQ("FucCLKITEM:\n", Printed());
}

TEST_F(MenuSliderTest, WindowScrollBarsAreReadAndMovedLineByLine) {
  HostWindow host(true);
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Items Host\")",
                   u"PRINT GETSLIDER(id, 1, SLD_BAR) + \" \" + GETSLIDER(id, 1, SLD_MAX) + \" \" + "
                   u"GETSLIDER(id, 1, SLD_PAGE) + \" \" + GETSLIDER(id, 1)",
                   u"PRINT GETSLIDER(id, 2, SLD_BAR) + \" \" + GETSLIDER(id, 2, SLD_MAX)",
                   u"PRINT SETSLIDER(id, 20, 2)",
                   u"PRINT SETSLIDER(id, GET_SLIDER, 2)",
                   u"PRINT SETSLIDER(id, 99, 1)",  // beyond the range: as far as it goes
                   u"PRINT GETSLIDER(id, 3) + \" \" + SETSLIDER(id, 1, 3)",
               }))
      << Errors();
  EXPECT_EQ("0 40 5 3\n1 50\nTrue\n20\nTrue\n0 False\n", Printed());
  EXPECT_EQ(20, host.Position(SB_VERT));
  // The bar stops where its page leaves it, short of 40.
  EXPECT_EQ(36, host.Position(SB_HORZ));
}

TEST_F(MenuSliderTest, AWindowWithoutScrollBarsHasNoSlider) {
  HostWindow host(false);
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Items Host\")", u"PRINT GETSLIDER(id, 1)",
                    u"PRINT GETSLIDER(id, 1, SLD_MAX)", u"PRINT SETSLIDER(id, 5, 1)"}))
      << Errors();
  EXPECT_EQ("0\n0\nFalse\n", Printed());
}

TEST_F(MenuSliderTest, ScrollBarAndTrackBarControlsOfAnotherProcess) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Items\")",
                   // Reading order: the scroll bar (x 400) before the track bar (x 610).
                   u"PRINT GETSLIDER(id, 1, SLD_X) + \",\" + GETSLIDER(id, 1, SLD_Y) + \",\" + "
                   u"GETSLIDER(id, 1, SLD_X2) + \",\" + GETSLIDER(id, 1, SLD_Y2)",
                   u"PRINT GETSLIDER(id, 1, SLD_MIN) + \" \" + GETSLIDER(id, 1, SLD_MAX) + \" \" + "
                   u"GETSLIDER(id, 1, SLD_PAGE) + \" \" + GETSLIDER(id, 1, SLD_BAR)",
                   u"PRINT GETSLIDER(id, 2, SLD_X) + \" \" + GETSLIDER(id, 2, SLD_MAX) + \" \" + "
                   u"GETSLIDER(id, 2, SLD_PAGE)",
                   u"PRINT SETSLIDER(id, 30, 1)",
                   u"PRINT SETSLIDER(id, 70, 2)",
                   u"PRINT SETSLIDER(id, GET_SLIDER, 2) + \" \" + GETSLIDER(id, 1)",
                   u"PRINT GETSLIDER(id, 99) + \" \" + SETSLIDER(id, 5, 99)",
               }))
      << Errors();
  EXPECT_EQ("400,45,600,63\n0 100 10 0\n610 100 10\nTrue\nTrue\n70 30\n0 False\n", Printed());
  EXPECT_EQ("30", fixture.State("scroll"));
  EXPECT_EQ("70", fixture.State("track"));
  // The program heard of both moves as of a user's.
  EXPECT_NE(std::string::npos, fixture.NewEvents("SCROLL").find("SCROLL 30"));
  EXPECT_NE(std::string::npos, fixture.NewEvents("TRACK").find("TRACK 70"));
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
