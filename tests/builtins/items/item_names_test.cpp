// How item names meet control texts, and how menu and tree paths are cut;
// no desktop needed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/items/item_names.h"

namespace zelk {
namespace {

TEST(ItemNameTest, CaptionsMatchAsUsersReadThem) {
  const ItemName ok(u"OK", false);
  EXPECT_TRUE(ok.Matches(u"&OK", true));
  EXPECT_TRUE(ok.Matches(u"OK:", true));
  EXPECT_TRUE(ok.Matches(u"ok", true));
  EXPECT_FALSE(ok.Matches(u"OK2", true));
  EXPECT_FALSE(ok.Matches(u"&OK", false)) << "an entry is compared as it stands";
  // The accelerator suffix of Japanese menus and the text after a TAB go.
  EXPECT_TRUE(ItemName(u"File", false).Matches(u"File(&F)", true));
  EXPECT_TRUE(ItemName(u"Open", false).Matches(u"&Open...\tCtrl+O", true));
  // The name is a caption too.
  EXPECT_TRUE(ItemName(u"&Open...", false).Matches(u"Open", true));
}

TEST(ItemNameTest, ShortMatchesByContainmentAndKeepsTheNameAsGiven) {
  EXPECT_TRUE(ItemName(u"O", true).Matches(u"&OK", true));
  EXPECT_FALSE(ItemName(u"O", false).Matches(u"&OK", true));
  EXPECT_TRUE(ItemName(u"an", true).Matches(u"Banana", false));
  // Without CLK_SHORT the name is trimmed; with it a blank is part of it.
  EXPECT_TRUE(ItemName(u"  Banana ", false).Matches(u"Banana", false));
  EXPECT_FALSE(ItemName(u"a b", true).Matches(u"ab", false));
  EXPECT_TRUE(ItemName(u"a b", true).Matches(u"Ka Boom", false));
}

TEST(ItemNameTest, FullWidthAndHalfWidthFormsAreOneName) {
  // Full-width "ＯＫ" against ASCII, and half-width katakana against full-width.
  EXPECT_TRUE(ItemName(u"\uFF2F\uFF2B", false).Matches(u"OK", true));
  EXPECT_TRUE(ItemName(u"OK", false).Matches(u"\uFF4F\uFF4B", true));
  EXPECT_TRUE(ItemName(u"\u30C6\u30B9\u30C8", false).Matches(u"\uFF83\uFF7D\uFF84", false));
  EXPECT_TRUE(ItemName(u"\uFF83\uFF7D", true).Matches(u"\u30C6\u30B9\u30C8", false));
}

TEST(ItemNameTest, TheEngineMatcherOutlivesItsName) {
  os::ItemNameMatch match;
  {
    ItemName name(u"Cherry", false);
    match = name.Matcher();
  }
  EXPECT_TRUE(match(u"cherry", false));
  EXPECT_FALSE(match(u"Cherries", false));
}

std::vector<std::u16string> Split(std::u16string_view name) {
  std::vector<std::u16string> parts{u"left over"};
  EXPECT_TRUE(SplitPath(name, &parts)) << "path too long";
  return parts;
}

TEST(SplitPathTest, CutsAtBackslashesAndKeepsDoubledOnes) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ((V{u"File", u"Open"}), Split(u"File\\Open"));
  EXPECT_EQ((V{u"a\\b", u"c"}), Split(u"a\\\\b\\c"));
  // Separators at the start, in a row or at the end make no empty parts.
  EXPECT_EQ((V{u"Root", u"Child"}), Split(u"\\Root\\Child\\"));
  EXPECT_EQ((V{u"x", u"y"}), Split(u"x\\ \\y"));
  // Leading blanks go, trailing ones stay.
  EXPECT_EQ((V{u"Edit ", u"Copy"}), Split(u"  Edit \\  Copy"));
  EXPECT_EQ((V{u"plain"}), Split(u"plain"));
  EXPECT_EQ(V{}, Split(u""));
  EXPECT_EQ((V{u"a\\"}), Split(u"a\\\\\\"));
}

TEST(SplitPathTest, ThirtyThreePartsAtMost) {
  std::u16string path = u"p";
  for (int i = 1; i < 33; ++i) path += u"\\p";
  std::vector<std::u16string> parts;
  EXPECT_TRUE(SplitPath(path, &parts));
  EXPECT_EQ(33u, parts.size());
  path += u"\\p";
  EXPECT_FALSE(SplitPath(path, &parts));
  EXPECT_TRUE(parts.empty());
}

TEST(SplitAtTabsTest, NamesOfAMultipleSelection) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ((V{u"a", u"c"}), SplitAtTabs(u"a\tc", false));
  EXPECT_EQ((V{u"a", u"c"}), SplitAtTabs(u"\t a \t\t c\t", false));
  EXPECT_EQ((V{u" a ", u" "}), SplitAtTabs(u" a \t \t", true));
  EXPECT_EQ(V{}, SplitAtTabs(u"", false));
}

}  // namespace
}  // namespace zelk
