// String-to-value table behind HASHTBL variables and the built-in constants.
// Keys are remembered in order of addition for positional access; unless
// caseSensitive, lookups ignore a-z case (only ASCII case). With sorted,
// positional access walks the keys in locale order, sorted lazily on the first
// positional access after a change.
//
// Layout: the entries live in one vector in order of addition, each with its
// key as written and its hash; a power-of-two slot array of entry numbers is
// probed linearly. The hash folds case on the fly, so neither a lookup nor the
// update of a present key copies the key. A removed entry stays behind as a
// hole until holes outnumber the entries (then the vector is compacted); while
// there are holes, a Fenwick tree of live counts finds the i-th live entry, so
// that removal and positional access both stay near constant time.
//
// The interpreter instantiates it with its variant: using TUZHash = TUZHashOf<Value>.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace zelk {

template <class V>
class TUZHashOf {
 public:
  explicit TUZHashOf(bool caseSensitive = false, bool sorted = false)
      : caseSensitive_(caseSensitive), sorted_(sorted) {}

  // True when the key was new.
  bool Put(std::u16string_view key, V value) {
    sortValid_ = false;
    std::uint32_t hash = Hash(key);
    std::size_t slot = 0;
    std::int32_t found = Locate(key, hash, &slot);
    if (found >= 0) {
      entries_[static_cast<std::size_t>(found)].value = std::move(value);
      return false;
    }
    if ((entries_.size() + 1) * 8 > slots_.size() * 5) {
      Grow();
      Locate(key, hash, &slot);
    }
    auto number = static_cast<std::int32_t>(entries_.size());
    entries_.push_back(Entry{std::u16string(key), hash, std::move(value)});
    slots_[slot] = number;
    if (holes_ != 0) AppendLive();
    if (sorted_) order_.push_back(number);
    return true;
  }

  // The stored value, or an empty V and false.
  bool Get(std::u16string_view key, V* value) const {
    if (const V* found = Find(key)) {
      *value = *found;
      return true;
    }
    *value = V{};
    return false;
  }
  // Null when absent; valid until the table changes.
  const V* Find(std::u16string_view key) const {
    std::size_t slot = 0;
    std::int32_t found = Locate(key, Hash(key), &slot);
    return found < 0 ? nullptr : &entries_[static_cast<std::size_t>(found)].value;
  }
  V* Find(std::u16string_view key) {
    return const_cast<V*>(static_cast<const TUZHashOf*>(this)->Find(key));
  }

  // The later keys keep their order and move down one position.
  bool Remove(std::u16string_view key) {
    sortValid_ = false;
    std::size_t slot = 0;
    std::int32_t found = Locate(key, Hash(key), &slot);
    if (found < 0) return false;
    EmptySlot(slot);
    if (holes_ == 0) BuildLive();
    Entry& e = entries_[static_cast<std::size_t>(found)];
    e.removed = true;
    e.key = std::u16string();
    e.value = V{};
    for (std::size_t i = static_cast<std::size_t>(found) + 1; i <= live_.size();
         i += i & (~i + 1)) {
      --live_[i - 1];
    }
    ++holes_;
    if (holes_ * 2 > entries_.size()) Compact();
    return true;
  }

  // Range failures throw std::out_of_range.
  const std::u16string& KeyAt(int i) const { return entries_[EntryAt(i)].key; }
  const V& ValueAt(int i) const { return entries_[EntryAt(i)].value; }

  int Count() const { return static_cast<int>(entries_.size() - holes_); }

  // The case and sort options stay.
  void Clear() {
    entries_.clear();
    slots_.clear();
    order_.clear();
    live_.clear();
    holes_ = 0;
    sortValid_ = false;
  }

  // Same keys in the same current order, same options.
  void Assign(const TUZHashOf& other) {
    if (&other != this) *this = other;
  }

  bool caseSensitive() const { return caseSensitive_; }
  // Meant for an empty table; present keys are rehashed but not merged.
  void setCaseSensitive(bool on) {
    if (on == caseSensitive_) return;
    caseSensitive_ = on;
    for (Entry& e : entries_) e.hash = Hash(e.key);
    Rebuild(slots_.size());
  }
  bool sorted() const { return sorted_; }
  void setSorted(bool on) {
    sortValid_ = false;
    if (on == sorted_) return;
    sorted_ = on;
    if (on) {
      Compact();
      order_.resize(entries_.size());
      for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::int32_t>(i);
      return;
    }
    // The keys stay in the order last seen, as if they had been sorted in place.
    std::vector<Entry> reordered;
    reordered.reserve(entries_.size() - holes_);
    for (std::int32_t n : order_) {
      Entry& e = entries_[static_cast<std::size_t>(n)];
      if (!e.removed) reordered.push_back(std::move(e));
    }
    entries_ = std::move(reordered);
    order_.clear();
    live_.clear();
    holes_ = 0;
    Rebuild(slots_.size());
  }
  bool sortValid() const { return sortValid_; }

 private:
  struct Entry {
    std::u16string key;  // as written when first added
    std::uint32_t hash;
    V value;
    bool removed = false;  // a hole left by Remove
  };

  static constexpr std::int32_t kEmpty = -1;

  static char16_t Fold(char16_t c) {
    return static_cast<char16_t>(c - u'a') < 26 ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
  }

  std::uint32_t Hash(std::u16string_view key) const {
    std::uint64_t h = 0xcbf29ce484222325ull;
    if (caseSensitive_) {
      for (char16_t c : key) h = (h ^ c) * 0x100000001b3ull;
    } else {
      for (char16_t c : key) h = (h ^ Fold(c)) * 0x100000001b3ull;
    }
    // FNV leaves the low bits weak for keys that differ only at the end.
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ull;
    h ^= h >> 32;
    return static_cast<std::uint32_t>(h);
  }

  bool SameKey(std::u16string_view stored, std::u16string_view key) const {
    if (stored.size() != key.size()) return false;
    if (caseSensitive_) return stored == key;
    for (std::size_t i = 0; i < key.size(); ++i) {
      if (stored[i] != key[i] && Fold(stored[i]) != Fold(key[i])) return false;
    }
    return true;
  }

  // The entry number, or -1 with *slot at the empty slot that ends the probe.
  std::int32_t Locate(std::u16string_view key, std::uint32_t hash, std::size_t* slot) const {
    if (slots_.empty()) return kEmpty;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      std::int32_t n = slots_[i];
      if (n == kEmpty) {
        *slot = i;
        return kEmpty;
      }
      const Entry& e = entries_[static_cast<std::size_t>(n)];
      if (e.hash == hash && SameKey(e.key, key)) {
        *slot = i;
        return n;
      }
    }
  }

  void Grow() { Rebuild(slots_.empty() ? 16 : slots_.size() * 2); }

  void Rebuild(std::size_t size) {
    slots_.assign(size, kEmpty);
    if (size == 0) return;
    std::size_t mask = size - 1;
    for (std::size_t n = 0; n < entries_.size(); ++n) {
      if (entries_[n].removed) continue;
      std::size_t i = entries_[n].hash & mask;
      while (slots_[i] != kEmpty) i = (i + 1) & mask;
      slots_[i] = static_cast<std::int32_t>(n);
    }
  }

  // Backward-shift deletion: later members of the probe run move up so that
  // no probe stops early at the hole.
  void EmptySlot(std::size_t hole) {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t j = (hole + 1) & mask; slots_[j] != kEmpty; j = (j + 1) & mask) {
      std::size_t home = entries_[static_cast<std::size_t>(slots_[j])].hash & mask;
      // Movable unless its home lies cyclically in (hole, j].
      if (((j - home) & mask) >= ((j - hole) & mask)) {
        slots_[hole] = slots_[j];
        hole = j;
      }
    }
    slots_[hole] = kEmpty;
  }

  std::size_t EntryAt(int i) const {
    if (i < 0 || i >= Count()) throw std::out_of_range("TUZHash index out of range");
    if (sorted_) {
      EnsureOrder();
      return static_cast<std::size_t>(order_[static_cast<std::size_t>(i)]);
    }
    if (holes_ == 0) return static_cast<std::size_t>(i);
    // The i-th live entry: descend the Fenwick tree.
    std::size_t position = 0;
    std::int32_t rest = i + 1;
    std::size_t step = 1;
    while (step * 2 <= live_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (position + step <= live_.size() && live_[position + step - 1] < rest) {
        position += step;
        rest -= live_[position - 1];
      }
    }
    return position;
  }

  // The Fenwick tree over entries_ (1 for a live entry), built with the first hole.
  void BuildLive() {
    live_.assign(entries_.size(), 0);
    for (std::size_t i = 1; i <= live_.size(); ++i) {
      live_[i - 1] += entries_[i - 1].removed ? 0 : 1;
      std::size_t parent = i + (i & (~i + 1));
      if (parent <= live_.size()) live_[parent - 1] += live_[i - 1];
    }
  }

  // The entry just appended to entries_ joins the tree.
  void AppendLive() {
    const std::size_t n = entries_.size();
    std::int32_t sum = 1;
    // Node n covers (n - lowbit(n), n]: add the nodes that tile (n - lowbit(n), n - 1].
    const std::size_t low = n - (n & (~n + 1));
    for (std::size_t i = n - 1; i > low; i -= i & (~i + 1)) sum += live_[i - 1];
    live_.push_back(sum);
  }

  // Drops the holes; entry numbers change, the order of the keys does not.
  void Compact() {
    if (holes_ == 0) return;
    std::vector<std::int32_t> renumber(entries_.size(), kEmpty);
    std::size_t kept = 0;
    for (std::size_t n = 0; n < entries_.size(); ++n) {
      if (entries_[n].removed) continue;
      renumber[n] = static_cast<std::int32_t>(kept);
      if (kept != n) entries_[kept] = std::move(entries_[n]);
      ++kept;
    }
    entries_.resize(kept);
    for (std::int32_t& n : order_) n = renumber[static_cast<std::size_t>(n)];
    std::erase(order_, kEmpty);
    live_.clear();
    holes_ = 0;
    Rebuild(slots_.size());
  }

  // Positional access sorts lazily; Put and Remove only mark the order stale.
  void EnsureOrder() const {
    if (sortValid_) return;
    if (holes_ != 0) {
      std::erase_if(
          order_, [this](std::int32_t n) { return entries_[static_cast<std::size_t>(n)].removed; });
    }
    // The locale comparison may call distinct keys equal (ignorable
    // characters); the ordinal tie-break keeps the order total and fixed.
    std::sort(order_.begin(), order_.end(), [this](std::int32_t x, std::int32_t y) {
      const std::u16string& a = entries_[static_cast<std::size_t>(x)].key;
      const std::u16string& b = entries_[static_cast<std::size_t>(y)].key;
      int c = os::CompareLocale(a, b);
      return c != 0 ? c < 0 : a < b;
    });
    sortValid_ = true;
  }

  bool caseSensitive_;
  bool sorted_;
  mutable bool sortValid_ = false;
  std::vector<Entry> entries_;       // in order of addition
  std::vector<std::int32_t> slots_;  // entry numbers; empty until the first Put
  std::size_t holes_ = 0;            // removed entries still in entries_
  std::vector<std::int32_t> live_;   // Fenwick tree of live counts; empty without holes
  // With sorted: entry numbers in positional order.
  mutable std::vector<std::int32_t> order_;
};

}  // namespace zelk
