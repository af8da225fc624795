#include "builtins/constants/constants.h"

#include <gtest/gtest.h>

#include <string>

#include "base/utf.h"

namespace zelk {
namespace {

std::string Narrow(std::u16string_view text) {
  return TextToUtf8(text);
}

TEST(BuiltinConstantsTest, SpotChecksOfEveryGroup) {
  struct Expected {
    const char16_t* name;
    double value;
  };
  const Expected cases[] = {
      {u"LEFT", 0},
      {u"TOUCH", 7},
      {u"TOPNOACTV", 11},
      {u"F_WRITE16", 64},
      {u"F_LINECOUNT", -1},
      {u"F_ALLTEXT", -2},
      {u"P_ZELK_REEXEC", 16384},
      {u"ST_JAVA", 22},
      {u"SC_FULLWIDTH", 8388608},
      {u"OS_PLATFORM", 5},
      {u"XL_OOOC", 3},
      {u"BTN_IGNORE", 64},
      {u"MOD_WIN", 8},
      {u"CLK_TREEVEW", 16},
      {u"CLK_LSTVEW", 32},
      {u"CLK_MOUSEMOVE", 1024},
      {u"CLK_ACC2", 268468224},
      {u"CLK_UIA", 1073741824},
      {u"CHK_LISTVIEW", 134217760},
      {u"STR_ACC_CELL", 5},
      {u"ITM_ACCTXT2", 276824064},
      {u"TGL_IME", 10004},
      {u"FOM_GETVALUE", -59999999},
      {u"ACC_BACK", 512},
      {u"CUR_WAIT", 16},
      {u"IMG_MSK_R1", 1},
      {u"IMG_MSK_R8", 255},
      {u"IMG_MSK_G3", 1792},
      {u"IMG_MSK_B8", 16711680},
      {u"IMG_MSK_BGR1", 65793},
      {u"IMG_MSK_BGR6", 4144959},
      {u"GET_SLIDER", -10000000},
      {u"VAR_USTR", 258},
      {u"VAR_ARRAY", 8192},
      {u"MON_NAME", 5},
      {u"COL_B", 6},
      {u"TRD_HIGHEST", 15},
      {u"CODE_BYTEARRAYW", 6},
      {u"HASH_REMOVEALL", -109},
      {u"CALC_AVR", 4},
      {u"MORG_BACK", 2},
      {u"LOCK_MOUSE", 2},
      {u"QSRT_NATURALD", 5},
      {u"SNSR_BIOMETRIC_HUMANPRESENSE", 1},
      {u"SNSR_ORIENTATION_COMPTRUEHEADING", 54},
      {u"SLCT_NUM", 128},
      {u"SLCT_1", 1},
      {u"SLCT_10", 512},
      {u"SLCT_31", 1073741824},
      {u"ERR_VALUE", -999999},
      {u"GET_ZELK_VER", 5.302},
      {u"GET_ZELK_PRO", 1},
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
      {u"VK_RRETURN", 901},
      {u"VK_RENTER", 901},
  };
  for (const Expected& c : cases) {
    EXPECT_EQ(c.value, NumericSpecial(c.name)) << Narrow(c.name);
  }
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
