#include "base/numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace zelk {
namespace {

TEST(NumbersTextToNumber, Decimal) {
  EXPECT_EQ(TextToNumber(u"1.5"), 1.5);
  EXPECT_EQ(TextToNumber(u"-2.5e3"), -2500);
  EXPECT_EQ(TextToNumber(u"+1E-2"), 0.01);
  EXPECT_EQ(TextToNumber(u".5"), 0.5);
  EXPECT_EQ(TextToNumber(u"5."), 5);
  EXPECT_EQ(TextToNumber(u" 12 "), 12);
  EXPECT_EQ(TextToNumber(u"1e-400"), 0);
  for (const char16_t* bad : {u"1,5", u"", u".", u"-", u"e5", u"1e", u"1e+", u"1.2.3", u"inf",
                              u"nan", u"0x10", u"1e400", u"12abc", u"1 2", u"\uFF11"}) {
    EXPECT_EQ(TextToNumber(bad), kNotANumber) << testing::PrintToString(std::u16string(bad));
  }
  // Script number texts may stand between spaces; values converted to numbers
  // also between tabs, and may be up to 400 characters long.
  double v = -1;
  EXPECT_FALSE(ParseDecimal(u"\t7 ", &v, DecimalBlanks::kSpaces));
  EXPECT_TRUE(ParseDecimal(u"\t7 ", &v, DecimalBlanks::kSpacesAndTabs));
  EXPECT_EQ(v, 7);
  const std::u16string zeros = u"0." + std::u16string(398, u'0');
  EXPECT_TRUE(ParseDecimal(u" " + zeros + u" ", &v, DecimalBlanks::kSpaces));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(ParseDecimal(zeros + u"0", &v, DecimalBlanks::kSpaces));
}

TEST(NumbersTextToNumber, Hexadecimal) {
  EXPECT_EQ(TextToNumber(u"$10"), 16);
  EXPECT_EQ(TextToNumber(u"$ff"), 255);
  EXPECT_EQ(TextToNumber(u"$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(TextToNumber(u"$00000000000000000001"), 1);
  EXPECT_EQ(TextToNumber(u"$10000000000000000"), kNotANumber);
  EXPECT_EQ(TextToNumber(u"$"), kNotANumber);
  EXPECT_EQ(TextToNumber(u"$-1"), kNotANumber);
  EXPECT_EQ(TextToNumber(u"$1G"), kNotANumber);
}

TEST(NumbersTextToNumber, LengthLimits) {
  std::u16string digits33(33, u'1');
  EXPECT_EQ(TextToNumber(digits33), kNotANumber);
  EXPECT_FALSE(IsNumberText(digits33, false, false));
  // A point within the first 32 characters allows up to 64.
  std::u16string withPoint = std::u16string(31, u'0') + u"." + std::u16string(32, u'5');
  EXPECT_EQ(withPoint.size(), 64u);
  EXPECT_NEAR(TextToNumber(withPoint), 0.5555, 0.0001);
  EXPECT_TRUE(IsNumberText(withPoint, false, false));
  EXPECT_EQ(TextToNumber(withPoint + u"5"), kNotANumber);
  EXPECT_EQ(TextToNumber(std::u16string(32, u'1') + u".5"), kNotANumber);
}

TEST(NumbersTrimToNumber, BlanksAndEmpty) {
  EXPECT_EQ(TrimToNumber(u""), 0);
  EXPECT_EQ(TrimToNumber(u" \t"), 0);
  EXPECT_EQ(TrimToNumber(u"\t7\r\n"), 7);
  EXPECT_EQ(TrimToNumber(u"x"), kNotANumber);
}

TEST(NumbersIsNumberText, Forms) {
  EXPECT_FALSE(IsNumberText(u"1e5", false, true));
  EXPECT_TRUE(IsNumberText(u"1e-5", false, true));
  EXPECT_TRUE(IsNumberText(u"1E+5", false, true));
  EXPECT_TRUE(IsNumberText(u"1e5", false, false));
  EXPECT_TRUE(IsNumberText(u"12", false, true));
  EXPECT_TRUE(IsNumberText(u" 12 ", false, false));
  EXPECT_FALSE(IsNumberText(u" 12 ", true, false));
  EXPECT_TRUE(IsNumberText(u"$1F", false, false));
  EXPECT_TRUE(IsNumberText(u"-.5", false, false));
  for (const char16_t* bad : {u"", u" ", u".", u"e", u"E", u"+", u"-", u"$", u"$-1", u"--1", u"1-",
                              u"1.2.3", u"1e", u"12abc", u"1,5", u"inf"}) {
    EXPECT_FALSE(IsNumberText(bad, false, false)) << testing::PrintToString(std::u16string(bad));
  }
}

TEST(NumbersVersionText, Dotted) {
  EXPECT_EQ(VersionText(2.302), u"2.3.0.2");
  EXPECT_EQ(VersionText(3), u"3.0.0.0");
  EXPECT_EQ(VersionText(1.5), u"1.5.0.0");
}

}  // namespace
}  // namespace zelk
