// String-to-value table behind HASHTBL variables and the built-in constants.
// Keys are remembered in order of addition for positional access; unless
// caseSensitive, lookups ignore a-z case (only ASCII case). With sorted,
// positional access walks the keys in locale order, sorted lazily on the first
// positional access after a change.
//
// Layout: the entries live in one vector in order of addition, each with its
// key as written and its hash; a power-of-two slot array of entry numbers is
// probed linearly. The hash folds case on the fly, so neither a lookup nor the
// update of a present key copies the key.
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

  // O(count): later entries move down one place and are renumbered.
  bool Remove(std::u16string_view key) {
    sortValid_ = false;
    std::size_t slot = 0;
    std::int32_t found = Locate(key, Hash(key), &slot);
    if (found < 0) return false;
    EmptySlot(slot);
    entries_.erase(entries_.begin() + found);
    if (found < static_cast<std::int32_t>(entries_.size())) {
      for (std::int32_t& s : slots_) {
        if (s > found) --s;
      }
    }
    if (sorted_) {
      order_.erase(std::find(order_.begin(), order_.end(), found));
      for (std::int32_t& n : order_) {
        if (n > found) --n;
      }
    }
    return true;
  }

  // Range failures throw std::out_of_range.
  const std::u16string& KeyAt(int i) const { return entries_[EntryAt(i)].key; }
  const V& ValueAt(int i) const { return entries_[EntryAt(i)].value; }

  int Count() const { return static_cast<int>(entries_.size()); }

  // The case and sort options stay.
  void Clear() {
    entries_.clear();
    slots_.clear();
    order_.clear();
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
      order_.resize(entries_.size());
      for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::int32_t>(i);
      return;
    }
    // The keys stay in the order last seen, as if they had been sorted in place.
    std::vector<Entry> reordered;
    reordered.reserve(entries_.size());
    for (std::int32_t n : order_)
      reordered.push_back(std::move(entries_[static_cast<std::size_t>(n)]));
    entries_ = std::move(reordered);
    order_.clear();
    Rebuild(slots_.size());
  }
  bool sortValid() const { return sortValid_; }

 private:
  struct Entry {
    std::u16string key;  // as written when first added
    std::uint32_t hash;
    V value;
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
    if (!sorted_) return static_cast<std::size_t>(i);
    EnsureOrder();
    return static_cast<std::size_t>(order_[static_cast<std::size_t>(i)]);
  }

  // Positional access sorts lazily; Put and Remove only mark the order stale.
  void EnsureOrder() const {
    if (sortValid_) return;
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
  // With sorted: entry numbers in positional order.
  mutable std::vector<std::int32_t> order_;
};

}  // namespace zelk
