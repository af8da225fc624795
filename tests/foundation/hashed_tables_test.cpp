#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

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

// A position found at one version stays right while the version stays;
// every change, and every other list, has a version of its own.
TEST(HashedStrList, VersionsChangeWithEveryChangeAndDifferBetweenLists) {
  TUHashedStrList list;
  const auto first = list.Version();
  EXPECT_EQ(list.IndexOf(u"A"), -1);
  EXPECT_EQ(first, list.Version());
  list.Add(u"A");
  const auto added = list.Version();
  EXPECT_NE(first, added);
  list.Clear();
  list.Add(u"A");
  EXPECT_NE(added, list.Version());
  TUHashedStrList copy(list);
  EXPECT_NE(copy.Version(), list.Version());
  TUHashedStrList other;
  other.Assign(list);
  EXPECT_NE(other.Version(), list.Version());
  const auto before = other.Version();
  other.setCaseSensitive(true);
  EXPECT_NE(before, other.Version());
  TUHashedStrList moved(std::move(copy));
  EXPECT_NE(moved.Version(), copy.Version());
  EXPECT_EQ(moved.IndexOf(u"a"), 0);
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

// Growth and removals renumber entries and move probe runs: every key must
// stay reachable under either case and keep its place.
TEST(ZHash, ManyKeysWithRemovalsKeepOrderAndLookups) {
  Table t;
  std::vector<std::u16string> model;
  for (int i = 0; i < 1200; ++i) {
    std::u16string key = u"Key" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
    for (char c : std::to_string(i)) key += static_cast<char16_t>(c);
    ASSERT_TRUE(t.Put(key, key));
    model.push_back(key);
    if (i % 3 == 2) {  // drop an older key, alternating ends and middle
      std::size_t at = (i % 2) ? 0 : model.size() / 2;
      std::u16string gone = model[at];
      for (char16_t& c : gone) c = static_cast<char16_t>(std::toupper(c));
      ASSERT_TRUE(t.Remove(gone));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    }
  }
  ASSERT_EQ(t.Count(), static_cast<int>(model.size()));
  for (int i = 0; i < t.Count(); ++i) {
    const std::u16string& key = model[static_cast<std::size_t>(i)];
    ASSERT_EQ(t.KeyAt(i), key);
    ASSERT_EQ(t.ValueAt(i), key);
    std::u16string lower = key;
    for (char16_t& c : lower) c = static_cast<char16_t>(std::tolower(c));
    const std::u16string* hit = t.Find(lower);
    ASSERT_NE(hit, nullptr) << i;
    EXPECT_EQ(*hit, key);
    EXPECT_FALSE(t.Put(lower, u"again"));
  }
  EXPECT_EQ(t.Find(u"Keya0"), nullptr);  // removed first
  EXPECT_EQ(t.ValueAt(0), u"again");

  Table exact(true);
  exact.Put(u"Key", u"1");
  exact.Put(u"KEY", u"2");
  EXPECT_TRUE(exact.Remove(u"Key"));
  EXPECT_EQ(exact.Find(u"Key"), nullptr);
  EXPECT_EQ(*exact.Find(u"KEY"), u"2");
}

TEST(ZHash, SortedOrderAfterRemovalsAndAssign) {
  Table sorted(false, true);
  for (auto k : {u"d", u"b", u"e", u"a", u"c"}) sorted.Put(k, k);
  EXPECT_EQ(sorted.KeyAt(0), u"a");
  EXPECT_TRUE(sorted.Remove(u"A"));
  EXPECT_TRUE(sorted.Remove(u"e"));
  sorted.Put(u"0", u"0");
  ASSERT_EQ(sorted.Count(), 4);
  std::u16string walk;
  for (int i = 0; i < sorted.Count(); ++i) walk += sorted.ValueAt(i);
  EXPECT_EQ(walk, u"0bcd");

  // The copy is independent and keeps the order and options.
  Table copy(true);
  copy.Put(u"old", u"");
  copy.Assign(sorted);
  sorted.Remove(u"b");
  EXPECT_FALSE(copy.caseSensitive());
  ASSERT_EQ(copy.Count(), 4);
  EXPECT_EQ(copy.KeyAt(1), u"b");
  EXPECT_EQ(*copy.Find(u"D"), u"d");
  EXPECT_EQ(copy.Find(u"old"), nullptr);
  copy.Put(u"aa", u"");
  EXPECT_EQ(copy.KeyAt(1), u"aa");

  // Turning the sort off keeps the order last seen.
  copy.setSorted(false);
  EXPECT_EQ(copy.KeyAt(0), u"0");
  EXPECT_EQ(copy.KeyAt(4), u"d");
  EXPECT_EQ(*copy.Find(u"C"), u"c");
}

}  // namespace
// Removal leaves holes behind until they are compacted away; positions must
// skip them whether keys are added, removed or walked in between.
TEST(ZHash, PositionsSkipRemovedEntriesBetweenCompactions) {
  Table t;
  std::vector<std::u16string> model;
  auto key = [](int i) {
    std::u16string k = u"k";
    for (char c : std::to_string(i)) k += static_cast<char16_t>(c);
    return k;
  };
  auto check = [&](int step) {
    ASSERT_EQ(t.Count(), static_cast<int>(model.size())) << step;
    for (std::size_t i = 0; i < model.size(); i += 1 + model.size() / 7) {
      ASSERT_EQ(t.KeyAt(static_cast<int>(i)), model[i]) << step << " at " << i;
    }
    if (!model.empty()) {
      ASSERT_EQ(t.KeyAt(t.Count() - 1), model.back()) << step;
    }
  };
  for (int i = 0; i < 300; ++i) {
    t.Put(key(i), key(i));
    model.push_back(key(i));
  }
  for (int step = 0; step < 400; ++step) {
    if (step % 5 == 4) {  // a new key goes to the end, holes or not
      t.Put(key(1000 + step), key(1000 + step));
      model.push_back(key(1000 + step));
    } else if (!model.empty()) {
      std::size_t at = (static_cast<std::size_t>(step) * 7919) % model.size();
      ASSERT_TRUE(t.Remove(model[at]));
      EXPECT_FALSE(t.Remove(model[at]));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    }
    check(step);
  }
  // Draining from the front, as a script walks and removes.
  while (t.Count() > 0) {
    ASSERT_EQ(t.KeyAt(0), model.front());
    ASSERT_TRUE(t.Remove(t.KeyAt(0)));
    model.erase(model.begin());
  }
  EXPECT_THROW(t.KeyAt(0), std::out_of_range);
  t.Put(u"again", u"1");
  EXPECT_EQ(t.KeyAt(0), u"again");

  // Holes in a sorted table, and the sort turned off while they are there.
  Table sorted(false, true);
  for (int i = 0; i < 50; ++i) sorted.Put(key(i), key(i));
  for (int i = 0; i < 50; i += 3) sorted.Remove(key(i));
  EXPECT_EQ(sorted.KeyAt(0), u"k1");
  EXPECT_EQ(sorted.KeyAt(1), u"k10");
  sorted.Remove(u"k1");
  sorted.Put(u"k0", u"k0");
  sorted.setSorted(false);
  ASSERT_EQ(sorted.Count(), 33);
  EXPECT_EQ(sorted.KeyAt(0), u"k10");
  EXPECT_EQ(sorted.KeyAt(32), u"k0");
  EXPECT_EQ(*sorted.Find(u"K49"), u"k49");
  EXPECT_EQ(sorted.Find(u"k48"), nullptr);
}

}  // namespace zelk
