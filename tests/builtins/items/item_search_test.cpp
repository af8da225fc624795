// Which kinds a CLKITEM request means and which windows go to UI Automation
// first; no desktop needed.
#include <gtest/gtest.h>

#include "builtins/items/item_search.h"

namespace zelk {
namespace {

using namespace os::item_kind;

TEST(ItemSearchTest, KindsDefaultToEveryBasicKindAndAccessibility) {
  // 33023: CLK_BTN .. CLK_LINK and CLK_ACC.
  EXPECT_EQ(33023u, RequestedKinds(0));
  // Options alone keep their bits and get the kinds.
  EXPECT_EQ(33023u | kShort | kBack, RequestedKinds(kShort | kBack));
  // The check bit alone asks for the state of any kind.
  EXPECT_EQ(33023u | kCheck, RequestedKinds(kCheck));
  // An engine choice alone gets the basic kinds, not the accessibility search.
  EXPECT_EQ(kApi | kBasicKinds, RequestedKinds(kApi));
  EXPECT_EQ(kUia | kBasicKinds, RequestedKinds(kUia));
  // Given kinds stay as they are.
  EXPECT_EQ(kButton | kShort, RequestedKinds(kButton | kShort));
  EXPECT_EQ(kAcc, RequestedKinds(kAcc));
  EXPECT_EQ(kCheckButtonKinds, RequestedKinds(kCheckButtonKinds));
  EXPECT_EQ(0x8000031u, kCheckButtonKinds);
}

TEST(ItemSearchTest, BrowserAndFrameworkWindowsAskUiAutomationFirst) {
  EXPECT_TRUE(PrefersUiAutomation(u"CHROME_WIDGETWIN_1"));
  EXPECT_TRUE(PrefersUiAutomation(u"MOZILLAWINDOWCLASS"));
  EXPECT_TRUE(PrefersUiAutomation(u"HWNDWRAPPER[WPFAPPLICATION;;1234]"));
  EXPECT_TRUE(PrefersUiAutomation(u"APPLICATIONFRAMEWINDOW"));
  EXPECT_TRUE(PrefersUiAutomation(u"IEFRAME"));
  EXPECT_FALSE(PrefersUiAutomation(u"IEFRAME2"));
  EXPECT_FALSE(PrefersUiAutomation(u"NOTEPAD"));
  EXPECT_FALSE(PrefersUiAutomation(u"XCHROME_WIDGETWIN"));
}

TEST(ItemSearchTest, TheCheckArgumentIsZeroOneOrTwo) {
  EXPECT_EQ(0, WantedCheck(0));
  EXPECT_EQ(1, WantedCheck(1));
  EXPECT_EQ(2, WantedCheck(2));
  // A COM true is -1; anything else out of range means checked.
  EXPECT_EQ(1, WantedCheck(-1));
  EXPECT_EQ(1, WantedCheck(3));
}

}  // namespace
}  // namespace zelk
