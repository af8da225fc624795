#include "builtins/constants/constants.h"

#include <gtest/gtest.h>

#include <string>

#include "base/utf.h"

namespace zelk {
namespace {

std::string Narrow(std::u16string_view text) {
  return TextToUtf8(text);
}

// The key codes must be the ones Windows gives its virtual keys (winuser.h),
// or keys sent and compared by scripts would be the wrong ones.
TEST(BuiltinConstantsTest, WindowsVirtualKeyCodes) {
  struct Expected {
    const char16_t* name;
    double value;
  };
  const Expected cases[] = {
      {u"VK_0", 48},
      {u"VK_9", 57},
      {u"VK_A", 65},
      {u"VK_Z", 90},
      {u"VK_LBUTTON", 1},
      {u"VK_RETURN", 13},
      {u"VK_NUMPAD0", 96},
      {u"VK_NUMPAD9", 105},
      {u"VK_F1", 112},
      {u"VK_F12", 123},
      {u"VK_BROWSER_BACK", 166},
      {u"VK_OEM_1", 186},
      {u"VK_OEM_8", 223},
      {u"VK_OEM_BACKTAB", 245},
      {u"VK_OEM_CLEAR", 254},
      {u"VK_START", 92},
      {u"VK_LALT", 164},
      {u"VK_ENTER", 13},
  };
  for (const Expected& c : cases) {
    EXPECT_EQ(c.value, NumericSpecial(c.name)) << Narrow(c.name);
  }
  // Names just past the generated ranges are none.
  for (const char16_t* none : {u"SLCT_32", u"SLCT_0", u"VK_F13", u"IMG_MSK_BGR7", u"VK_", u""}) {
    EXPECT_FALSE(IsBuiltinConstant(none)) << Narrow(none);
    EXPECT_EQ(kNoNumericSpecial, NumericSpecial(none)) << Narrow(none);
  }
}

TEST(BuiltinConstantsTest, KindsAndCaseOfLookup) {
  const BuiltinConstantTable::Entry* version = BuiltinConstants().Find(u"GET_ZELK_VER");
  ASSERT_NE(nullptr, version);
  EXPECT_EQ(kVtCurrency, version->value.type());
  EXPECT_EQ(u"5.302", version->value.Text());
  EXPECT_EQ(kVtBoolean, BuiltinConstants().Find(u"GET_ZELK_PRO")->value.type());
  // Built-ins look up names taken from string arguments, in any case.
  EXPECT_EQ(13, NumericSpecial(u"vk_Return"));
  EXPECT_TRUE(IsBuiltinConstant(u"clk_btn"));
  EXPECT_FALSE(IsBuiltinConstant(u"SNSR_ORIENTATION_COMPTRUEHEADING_AND_A_LONG_TAIL_BEYOND"));
}

TEST(SpecialNamesTest, LiveNumbersAndTexts) {
  EXPECT_GT(NumericSpecial(u"G_SCREEN_W"), 0);
  EXPECT_GT(NumericSpecial(u"G_SCREEN_H"), 0);
  EXPECT_GT(NumericSpecial(u"G_SCREEN_C"), 0);
  EXPECT_NE(kNoNumericSpecial, NumericSpecial(u"g_mouse_x"));
  EXPECT_EQ(kNoNumericSpecial, NumericSpecial(u"G_SCREEN_X"));
  EXPECT_EQ(kNoNumericSpecial, NumericSpecial(u"GET_ACTIVE_WIN"));

  EXPECT_EQ(u"__GET_ACTIVE_WIN__", TextSpecial(u"GET_ACTIVE_WIN", nullptr));
  EXPECT_EQ(u"__GET_SYSMENU_HND__", TextSpecial(u"get_sysmenu_hnd", nullptr));
  EXPECT_EQ(u"__GET_FUKIDASI_WIN__", TextSpecial(u"GET_BALLOON_WIN", nullptr));
  EXPECT_EQ(u"__EMPTYPARAM__", TextSpecial(u"EMPTYPARAM", nullptr));
  EXPECT_FALSE(TextSpecial(u"GET_CUR_DIR", nullptr).empty());
  EXPECT_FALSE(TextSpecial(u"GET_ZELK_DIR", nullptr).empty());
  EXPECT_EQ(u"", TextSpecial(u"GET_ZELK_NAME", nullptr));  // no interpreter, no script
  EXPECT_EQ(u"", TextSpecial(u"GET_ZELK_VER", nullptr));   // a constant, not a text
  EXPECT_EQ(u"", TextSpecial(u"GET_NOTHING", nullptr));

  EXPECT_TRUE(IsSpecialName(u"G_MOUSE_Y"));
  EXPECT_TRUE(IsSpecialName(u"GET_ZELK_NAME"));
  EXPECT_TRUE(IsSpecialName(u"EMPTYPARAM"));
  EXPECT_FALSE(IsSpecialName(u"G_IMG_X"));  // a fixed name of the variable lookup
  EXPECT_FALSE(IsSpecialName(u"GET_"));
}

}  // namespace
}  // namespace zelk
