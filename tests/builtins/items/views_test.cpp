// CLKITEM on tree views, list views and toolbars of another process: nodes
// by text and path, check boxes, the column fallback, the click options.
#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "items_fixture.h"

namespace zelk {
namespace {

using namespace testing_desktop;

class ViewsTest : public DesktopScriptTest {
 protected:
  int RunOn(std::vector<std::u16string> lines) {
    lines.insert(lines.begin(), u"id = GETID(\"ZELK Fixture Items\")");
    return Run(lines);
  }
};

TEST_F(ViewsTest, TreeNodesAreFoundByTextOrPathAndTheirCheckBoxesSet) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   // Depth first: Child A under Root comes before the one under Other.
                   u"PRINT CLKITEM(id, \"child a\", CLK_TREEVIEW, FALSE)",
                   u"PRINT CLKITEM(id, \"Other\\Child A\", CLK_TREEVIEW)",
                   // The way down is walked even when its end is missing.
                   u"PRINT CLKITEM(id, \"Root\\Nowhere\", CLK_TREEVIEW)",
                   u"PRINT CLKITEM(id, \"Leaf 2\", CLK_TREEVIEW)",
                   u"PRINT CLKITEM(id, \"\\Leaf 1\", CLK_TREEVIEW)",  // the root level only
                   u"PRINT CHKBTN(id, \"Leaf 2\")",
                   u"PRINT CHKBTN(id, \"Leaf 1\")",
               }))
      << Errors();
  EXPECT_EQ("True\nTrue\nFalse\nTrue\nFalse\n1\n0\n", Printed());
  EXPECT_EQ("Leaf 2", fixture.State("tree"));
  EXPECT_EQ("Root=0,Child A=0,Leaf 1=0,Leaf 2=1,Child B=0,Other=0,Child A=1",
            fixture.State("treechecks"));
  const std::string events = fixture.NewEvents("TREE ");
  EXPECT_EQ("TREE Child A|TREE Other|TREE Child A|TREE Root|TREE Leaf 2", events);

  // Unchecked again with FALSE; a path whose first part starts at the root.
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"\\Root\\Child A\\Leaf 2\", CLK_TREEVIEW, FALSE)",
                   u"PRINT CHKBTN(id, \"Leaf 2\")",
               }))
      << Errors();
  EXPECT_EQ("True\n0\n", Printed());
  EXPECT_EQ("Root=0,Child A=0,Leaf 1=0,Leaf 2=0,Child B=0,Other=0,Child A=1",
            fixture.State("treechecks"));
}

TEST_F(ViewsTest, ListViewItemsAreSelectedAndTheirCheckBoxesSet) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Row 3\", CLK_LISTVIEW)",
                   u"PRINT CHKBTN(id, \"Row 3\")",
                   u"PRINT CHKBTN(id, \"Row 4\")",
                   u"PRINT CLKITEM(id, \"Row 42\", CLK_LISTVIEW)",
               }))
      << Errors();
  EXPECT_EQ("True\n1\n0\nFalse\n", Printed());
  EXPECT_EQ("3", fixture.State("listview"));
  EXPECT_EQ("3", fixture.State("lvchecks"));
  EXPECT_NE(std::string::npos, fixture.NewEvents("LVCHECK").find("LVCHECK 3 1"));

  // Several matches are all selected (the nudge keeps the one chosen); FALSE unchecks.
  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"Row 3\", CLK_LISTVIEW, FALSE)"})) << Errors();
  EXPECT_EQ("True\n", Printed());
  EXPECT_EQ("", fixture.State("lvchecks"));
  EXPECT_EQ("3", fixture.State("listview"));
}

TEST_F(ViewsTest, ARowAmongTenThousandIsFoundAndSelected) {
  ItemsFixture fixture(L"ZELK Fixture Items", 10000);
  ASSERT_TRUE(fixture.window());
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Row 9876\", CLK_LISTVIEW, FALSE)",
                   u"PRINT CHKBTN(id, \"row 9999\")",
               }))
      << Errors();
  EXPECT_EQ("True\n0\n", Printed());
  EXPECT_EQ("9876", fixture.State("listview"));
}

TEST_F(ViewsTest, AListViewWithoutFirstColumnTextsIsSearchedInTheNextAndOpenedWithEnter) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"Beta\", CLK_LISTVIEW, FALSE)"})) << Errors();
  EXPECT_EQ("True\n", Printed());
  EXPECT_EQ("", fixture.NewEvents("LVOPEN"));
  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"Beta\", CLK_LISTVIEW)"})) << Errors();
  EXPECT_EQ("True\n", Printed());
  EXPECT_NE(std::string::npos, fixture.NewEvents("LVOPEN").find("LVOPEN 1")) << fixture.Log();
}

TEST_F(ViewsTest, ClickOptionsReplaceTheActionByAPostedClickOnTheItem) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Row 2\", CLK_LISTVIEW + CLK_RIGHTCLK)",
                   u"PRINT CLKITEM(id, \"Row 5\", CLK_LISTVIEW + CLK_LEFTCLK + CLK_DBLCLK)",
                   u"PRINT CLKITEM(id, \"Child B\", CLK_TREEVIEW + CLK_RIGHTCLK)",
               }))
      << Errors();
  EXPECT_EQ("True\nTrue\nTrue\n", Printed());
  EXPECT_EQ("LVRCLICK 2", fixture.NewEvents("LVRCLICK", "LVRCLICK 2"));
  EXPECT_NE(std::string::npos, fixture.NewEvents("LVDBLCLK").find("LVDBLCLK 5"));
  EXPECT_EQ("TREERCLICK", fixture.NewEvents("TREERCLICK", "TREERCLICK"));
  // A click stands instead of the check box: nothing was checked.
  EXPECT_EQ("", fixture.State("lvchecks"));

  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"Row 6\", CLK_LISTVIEW + CLK_MUSMOVE, FALSE)"}))
      << Errors();
  POINT cursor{};
  GetCursorPos(&cursor);
  HWND view = FindWindowExW(fixture.window(), nullptr, L"SysListView32", nullptr);
  EXPECT_EQ(view, WindowFromPoint(cursor));
  EXPECT_EQ("6", fixture.State("listview"));
}

TEST_F(ViewsTest, ToolbarButtonsArePressedByCaptionAndCheckButtonsSetAsWanted) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Print\", CLK_TOOLBAR)",  // the caption is "&Print"
                   u"PRINT CLKITEM(id, \"Bold\", CLK_TOOLBAR)",
                   u"PRINT CLKITEM(id, \"Bold\", CLK_TOOLBAR)",    // checked already
                   u"PRINT CLKITEM(id, \"Secret\", CLK_TOOLBAR)",  // hidden
                   u"PRINT CLKITEM(id, \"Gone\", CLK_TOOLBAR)",    // disabled
                   u"PRINT CLKITEM(id, \"Italic\", CLK_TOOLBAR + 134217728)",
               }))
      << Errors();
  EXPECT_EQ("True\nTrue\nTrue\nFalse\nFalse\nTrue\n", Printed());
  EXPECT_EQ("TOOLBAR 203|TOOLBAR 201", fixture.NewEvents("TOOLBAR", "TOOLBAR 203|TOOLBAR 201"));
  EXPECT_EQ("1 0", fixture.State("toolbar"));
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"Bold\", CLK_TOOLBAR, FALSE)"})) << Errors();
  EXPECT_EQ("True\n", Printed());
  EXPECT_EQ("0 0", fixture.State("toolbar"));
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
