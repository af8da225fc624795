// GETITEM's kind order and what each kind keeps of an item text, and which
// windows are read through UI Automation first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/constants/constants.h"
#include "builtins/texts/automation_readers.h"
#include "builtins/texts/text_functions.h"

namespace zelk {
namespace {

// The script's own constants are the reference: a kind listed under the
// wrong bit would collect another kind's texts.
TEST(ItemKindOrderTest, FollowsTheCollectorsOrderWithTheScriptsBits) {
  const char16_t* names[] = {u"ITM_BTN",       u"ITM_LIST",     u"ITM_TAB",  u"ITM_MENU",
                             u"ITM_TREEVIEW",  u"ITM_LISTVIEW", u"ITM_EDIT", u"ITM_STATIC",
                             u"ITM_STATUSBAR", u"ITM_TOOLBAR"};
  const std::vector<ItemKindStep>& order = ItemKindOrder();
  ASSERT_EQ(std::size(names), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const BuiltinConstantTable::Entry* entry = BuiltinConstants().Find(names[i]);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(static_cast<std::uint32_t>(entry->number), order[i].bit) << i;
  }
  for (const char16_t* acc : {u"ITM_ACCCLK", u"ITM_ACCTXT", u"ITM_ACCEDIT"}) {
    const auto bit = static_cast<std::uint32_t>(BuiltinConstants().Find(acc)->number);
    EXPECT_EQ(bit, bit & kAccessibleItemKinds);
  }
}

TEST(ItemKindOrderTest, CaptionsAreNormalisedAndBlankListEntriesDropped) {
  auto kept = [](std::uint32_t bit, std::u16string text) {
    for (const ItemKindStep& step : ItemKindOrder()) {
      if (step.bit == bit) return ItemForList(step, text) ? text : u"<dropped>";
    }
    return std::u16string(u"<no kind>");
  };
  EXPECT_EQ(u"Save", kept(0x1, u"&Save(&S)"));
  EXPECT_EQ(u"Open", kept(0x4, u"&Open...\tCtrl+O"));
  EXPECT_EQ(u"Under", kept(0x40, u"Under(&U)"));
  EXPECT_EQ(u"First", kept(0x8, u"&First"));
  // List entries and edit texts stay as they are; blank entries go.
  EXPECT_EQ(u"<dropped>", kept(0x2, u"  \t"));
  EXPECT_EQ(u" A&B ", kept(0x2, u" A&B "));
  EXPECT_EQ(u"", kept(0x20000, u""));
  EXPECT_EQ(u"a:", kept(0x40000, u"a:"));
}

TEST(AutomationFirstTest, BrowserAndStoreWindowsOnly) {
  EXPECT_TRUE(IsAutomationFirstClass(u"CHROME_WIDGETWIN_1"));
  EXPECT_TRUE(IsAutomationFirstClass(u"MOZILLAWINDOWCLASS"));
  EXPECT_TRUE(IsAutomationFirstClass(u"HWNDWRAPPER[WPFAPPLICATION;;1234]"));
  EXPECT_TRUE(IsAutomationFirstClass(u"APPLICATIONFRAMEWINDOW"));
  EXPECT_TRUE(IsAutomationFirstClass(u"IEFRAME"));
  EXPECT_FALSE(IsAutomationFirstClass(u"IEFRAME2"));
  EXPECT_FALSE(IsAutomationFirstClass(u"XCHROME_WIDGETWIN_1"));
  EXPECT_FALSE(IsAutomationFirstClass(u"NOTEPAD"));
}

}  // namespace
}  // namespace zelk
