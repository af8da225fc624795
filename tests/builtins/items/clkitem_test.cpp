// CLKITEM and CHKBTN through whole script runs against the items fixture in
// another process: each case checks what the program received and the
// state its controls ended in, not only what the built-in answered.
#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "items_fixture.h"

namespace zelk {
namespace {

using namespace testing_desktop;

class ClkitemTest : public DesktopScriptTest {
 protected:
  // The lines run after the fixture's ID is in "id".
  int RunOn(std::vector<std::u16string> lines) {
    lines.insert(lines.begin(), u"id = GETID(\"ZELK Fixture Items\")");
    return Run(lines);
  }
};

TEST_F(ClkitemTest, ButtonsAreClickedByCaptionAndCheckBoxesSetToTheWantedState) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"OK\")",  // the caption is "&OK"
                   u"PRINT CLKITEM(id, \"K\", CLK_BTN + CLK_SHORT)",
                   u"PRINT CLKITEM(id, \"Nothing Such\", CLK_BTN)",
                   u"PRINT CLKITEM(id, \"Enable\")",  // unchecked: clicked
                   u"PRINT CLKITEM(id, \"Enable\")",  // checked already: only focused
                   u"PRINT CLKITEM(id, \"Large\", CLK_BTN)",
               }))
      << Errors();
  EXPECT_EQ("True\nTrue\nFalse\nTrue\nTrue\nTrue\n", Printed());
  const std::string clicks = "CLICK &OK|CLICK &OK|CLICK Enable state=1|CLICK Large state=1";
  EXPECT_EQ(clicks, fixture.NewEvents("CLICK", clicks));
  EXPECT_EQ("1 0 0 1", fixture.State("buttons"));

  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Enable\", CLK_BTN, FALSE)",  // checked: one click
                   u"PRINT CLKITEM(id, \"Enable\", CLK_BTN, FALSE)",  // now as wanted
                   u"PRINT CLKITEM(id, \"Tri State\", CLK_BTN, 2)",   // two clicks to reach 2
                   u"PRINT CLKITEM(id, \"Tri State\", CLK_BTN, 0)",   // one more round to 0
                   u"PRINT CLKITEM(id, \"Locked\", CLK_BTN)",         // disabled: not there
               }))
      << Errors();
  EXPECT_EQ("True\nTrue\nTrue\nTrue\nFalse\n", Printed());
  const std::string toggles =
      "CLICK Enable state=0|CLICK Tri State state=1|CLICK Tri State state=2|"
      "CLICK Tri State state=0";
  EXPECT_EQ(toggles, fixture.NewEvents("CLICK", toggles));
  EXPECT_EQ("0 0 0 1", fixture.State("buttons"));
}

TEST_F(ClkitemTest, ANegativeNCountsDisabledControlsToo) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Locked\", CLK_BTN, FALSE, -1)",
                   u"PRINT CLKITEM(id, \"Locked\", CLK_BTN, FALSE)",
                   // The second of the buttons whose caption holds an "a".
                   u"PRINT CLKITEM(id, \"a\", CLK_BTN + CLK_SHORT, TRUE, 2)",
                   u"PRINT CLKITEM(id, \"a\", CLK_BTN + CLK_SHORT, TRUE, 9)",
               }))
      << Errors();
  EXPECT_EQ("True\nFalse\nTrue\nFalse\n", Printed());
  // Asked for with a negative n, the disabled box is clicked to the state
  // wanted. "a" is in Cancel, Enable, Tri State, Small and Large, in window
  // order: the second is Enable.
  EXPECT_EQ("CLICK Locked state=0|CLICK Enable state=1",
            fixture.NewEvents("CLICK", "CLICK Locked state=0|CLICK Enable state=1"));
}

TEST_F(ClkitemTest, ChkbtnReadsStatesAndAnswersMinusOneForMissingOrDisabledButtons) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CHKBTN(id, \"Enable\")",
                   u"x = CLKITEM(id, \"Tri State\", CLK_BTN, 2)",
                   u"PRINT CHKBTN(id, \"Tri State\")",
                   u"PRINT CHKBTN(id, \"Locked\")",  // checked, but disabled
                   u"PRINT CHKBTN(id, \"No Button\")",
                   u"PRINT CHKBTN(id, \"Small\")",
                   u"PRINT CHKBTN(0, \"Enable\")",             // no window
                   u"PRINT CLKITEM(id, \"Enable\", CHK_BTN)",  // a state, as CHKBTN gives it
                   u"PRINT CLKITEM(id, \"Missing\", CHK_BTN)",
               }))
      << Errors();
  EXPECT_EQ("0\n2\n-1\n-1\n0\n-1\n0\n-1\n", Printed());
  // Reading states clicks nothing.
  EXPECT_EQ("CLICK Tri State state=1|CLICK Tri State state=2",
            fixture.NewEvents("CLICK", "CLICK Tri State state=1|CLICK Tri State state=2"));
}

TEST_F(ClkitemTest, ListBoxEntriesAreSelectedSoTheProgramHearsOfIt) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"Cherry\", CLK_LIST)"})) << Errors();
  EXPECT_EQ("True\n", Printed());
  EXPECT_EQ("2", fixture.State("listbox"));
  // The arrow nudge leaves the program's last word on the entry chosen.
  const std::string events = fixture.NewEvents("LISTBOX");
  EXPECT_EQ("LISTBOX 2", events.substr(events.size() - 9)) << events;

  // CLK_OFTHIS: n counts matching entries; without it n is the list.
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Banana\", CLK_LIST + CLK_SHORT + CLK_OFTHIS, TRUE, 2)",
                   u"PRINT CLKITEM(id, \"Banana\", CLK_LIST, TRUE, 2)",  // not in list 2
                   u"PRINT CLKITEM(id, \"c\", CLK_LIST, TRUE, 2)",
               }))
      << Errors();
  EXPECT_EQ("True\nFalse\nTrue\n", Printed());
  EXPECT_EQ("3", fixture.State("listbox"));
  EXPECT_EQ("2", fixture.State("multi"));
}

TEST_F(ClkitemTest, MultipleSelectionTakesEveryNamedEntryOrLeavesTheListAlone) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  ASSERT_EQ("1", fixture.State("multi"));
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"a\" + CHR(9) + \"c\", CLK_LIST, TRUE, 2)",
               }))
      << Errors();
  EXPECT_EQ("True\n", Printed());
  EXPECT_EQ("0,2", fixture.State("multi"));
  // One name missing: nothing found, nothing changed.
  ASSERT_EQ(0, RunOn({u"PRINT CLKITEM(id, \"b\" + CHR(9) + \"zz\", CLK_LIST, TRUE, 2)"}))
      << Errors();
  EXPECT_EQ("False\n", Printed());
  EXPECT_EQ("0,2", fixture.State("multi"));
}

TEST_F(ClkitemTest, ComboBoxEntriesAreChosenThroughTheDropDown) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Blue\", CLK_LIST, TRUE, 3)",  // the third list
                   u"PRINT CLKITEM(id, \"Red\", CLK_LIST + CLK_OFTHIS)",
               }))
      << Errors();
  EXPECT_EQ("True\nTrue\n", Printed());
  EXPECT_EQ("0", fixture.State("combo"));
  const std::string events = fixture.NewEvents("COMBO");
  EXPECT_NE(std::string::npos, events.find("COMBO 2")) << events;
  EXPECT_EQ("COMBO 0", events.substr(events.size() - 7)) << events;
  // The drop-down is closed again.
  HWND combo = fixture.Child(L"COMBOBOX");
  EXPECT_EQ(0, SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(ClkitemTest, TabsAreSelectedWithTheirNotifications) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  fixture.ClearLog();
  ASSERT_EQ(0, RunOn({
                   u"PRINT CLKITEM(id, \"Third\", CLK_TAB)",  // the caption is "&Third"
                   u"PRINT CLKITEM(id, \"Fourth\", CLK_TAB)",
                   u"PRINT CLKITEM(id, \"Second\", CLK_TAB + 134217728)",
               }))
      << Errors();
  EXPECT_EQ("True\nFalse\nTrue\n", Printed());
  EXPECT_EQ("2", fixture.State("tab"));
  const std::string events = fixture.NewEvents("TAB");
  EXPECT_EQ("TAB 2", events.substr(events.size() - 5)) << events;
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
