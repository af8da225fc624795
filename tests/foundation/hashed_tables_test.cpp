#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "foundation/hashed_str_list.h"
#include "foundation/zhash.h"

namespace zelk {
namespace {

using Table = TUZHashOf<std::u16string>;

TEST(HashedStrList, IgnoresOnlyAsciiCaseAndAssigns) {
  TUHashedStrList list;
  EXPECT_EQ(list.Add(u"alpha"), 0);
  EXPECT_EQ(list.AddWithValue(u"Beta", 42), 1);
  list.Add(u"\u00e4");  // a-umlaut
  EXPECT_EQ(list.IndexOf(u"ALPHA"), 0);
  EXPECT_EQ(list.ValueAt(1), 42);
  EXPECT_EQ(list.IndexOf(u"\u00c4"), -1);
  EXPECT_THROW(list.KeyAt(3), std::out_of_range);

  TUHashedStrList copy(true);
  copy.Add(u"old");
  copy.Assign(list);
  copy.Assign(copy);
  EXPECT_FALSE(copy.caseSensitive());
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.KeyAt(1), u"Beta");
  EXPECT_EQ(copy.IndexOf(u"beta"), 42);
  EXPECT_EQ(copy.IndexOf(u"old"), -1);
}

TEST(HashedStrList, LooksUpUpperAndMixedCaseKeysAlike) {
  TUHashedStrList list;
  list.Add(u"Counter_1");
  EXPECT_EQ(list.IndexOf(u"COUNTER_1"), 0);
  EXPECT_EQ(list.IndexOf(u"counter_1"), 0);
  EXPECT_EQ(list.IndexOf(u"COUNTER_1X"), -1);
  EXPECT_EQ(list.IndexOf(u"x"), -1);
  EXPECT_EQ(list.IndexOf(u""), -1);

  TUHashedStrList exact(true);
  exact.Add(u"name");
  exact.Add(u"NAME");
  EXPECT_EQ(exact.IndexOf(u"name"), 0);
  EXPECT_EQ(exact.IndexOf(u"NAME"), 1);
  EXPECT_EQ(exact.IndexOf(u"Name"), -1);
}

TEST(ZHash, CaseRuleKeepsFirstSpelling) {
  Table t;
  EXPECT_TRUE(t.Put(u"abc", u"1"));
  EXPECT_FALSE(t.Put(u"ABC", u"2"));
  EXPECT_TRUE(t.Put(u"\u00e4", u"small"));
  EXPECT_TRUE(t.Put(u"\u00c4", u"capital"));
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.KeyAt(0), u"abc");
  EXPECT_EQ(t.ValueAt(0), u"2");
  std::u16string v = u"stale";
  EXPECT_FALSE(t.Get(u"missing", &v));
  EXPECT_EQ(v, u"");

  Table exact(true);
  exact.Put(u"abc", u"1");
  EXPECT_FALSE(exact.Get(u"ABC", &v));
}

TEST(ZHash, RemoveShiftsKeys) {
  Table t;
  for (auto k : {u"one", u"Two", u"three"}) t.Put(k, k);
  EXPECT_FALSE(t.Remove(u"four"));
  EXPECT_TRUE(t.Remove(u"TWO"));
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(t.ValueAt(1), u"three");
  EXPECT_THROW(t.KeyAt(2), std::out_of_range);
}

TEST(ZHash, SortedOrderIsLazyAndSurvivesClearAndAssign) {
  Table plain;
  plain.Put(u"b", u"");
  plain.Put(u"a", u"");
  EXPECT_EQ(plain.KeyAt(0), u"b");

  Table sorted(false, true);
  sorted.Put(u"b", u"B");
  sorted.Put(u"a", u"A");
  EXPECT_EQ(sorted.ValueAt(0), u"A");
  sorted.Put(u"0", u"zero");  // lands at the end until the next access sorts
  EXPECT_EQ(sorted.KeyAt(0), u"0");

  Table copy;
  copy.Assign(sorted);
  EXPECT_TRUE(copy.sorted());
  EXPECT_EQ(copy.KeyAt(2), u"b");

  sorted.Clear();
  sorted.Put(u"y", u"");
  sorted.Put(u"x", u"");
  EXPECT_EQ(sorted.KeyAt(0), u"x");
}

}  // namespace
}  // namespace zelk
