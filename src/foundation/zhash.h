// String-to-value table behind HASHTBL variables and the built-in constants.
// Keys are remembered in order of addition for positional access; unless
// caseSensitive, keys are stored with a-z upper-cased (only ASCII case is
// ignored). With sorted, positional access walks the keys in locale order,
// sorted lazily on the first positional access after a change.
//
// The interpreter instantiates it with its variant: using TUZHash = TUZHashOf<Value>.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
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
    auto [it, added] = map_.insert_or_assign(MapKey(key), std::move(value));
    (void)it;
    if (added) keys_.emplace_back(key);
    return added;
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
    auto it = map_.find(MapKey(key));
    return it == map_.end() ? nullptr : &it->second;
  }
  V* Find(std::u16string_view key) {
    auto it = map_.find(MapKey(key));
    return it == map_.end() ? nullptr : &it->second;
  }

  bool Remove(std::u16string_view key) {
    sortValid_ = false;
    std::u16string mapped = MapKey(key);
    if (map_.erase(mapped) == 0) return false;
    for (auto it = keys_.begin(); it != keys_.end(); ++it) {
      if (MapKey(*it) == mapped) {
        keys_.erase(it);
        break;
      }
    }
    return true;
  }

  // Range failures throw std::out_of_range.
  const std::u16string& KeyAt(int i) const {
    if (i < 0 || i >= Count()) throw std::out_of_range("TUZHash index out of range");
    EnsureOrder();
    return keys_[static_cast<std::size_t>(i)];
  }
  const V& ValueAt(int i) const { return *Find(KeyAt(i)); }

  int Count() const { return static_cast<int>(keys_.size()); }

  // The case and sort options stay.
  void Clear() {
    map_.clear();
    keys_.clear();
    sortValid_ = false;
  }

  void Assign(const TUZHashOf& other) {
    if (&other == this) return;  // clearing first would lose everything
    Clear();
    caseSensitive_ = other.caseSensitive_;
    sorted_ = other.sorted_;
    sortValid_ = other.sortValid_;
    for (const std::u16string& key : other.keys_) Put(key, *other.Find(key));
  }

  bool caseSensitive() const { return caseSensitive_; }
  // Only for an empty table: stored keys are not re-mapped.
  void setCaseSensitive(bool on) { caseSensitive_ = on; }
  bool sorted() const { return sorted_; }
  void setSorted(bool on) {
    sorted_ = on;
    sortValid_ = false;
  }
  bool sortValid() const { return sortValid_; }

 private:
  std::u16string MapKey(std::u16string_view key) const {
    std::u16string k(key);
    if (!caseSensitive_) {
      for (char16_t& c : k) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
      }
    }
    return k;
  }

  // Positional access sorts lazily; Put and Remove only mark the order stale.
  void EnsureOrder() const {
    if (!sorted_ || sortValid_) return;
    // The locale comparison may call distinct keys equal (ignorable
    // characters); the ordinal tie-break keeps the order total and fixed.
    std::sort(keys_.begin(), keys_.end(), [](const std::u16string& a, const std::u16string& b) {
      int c = os::CompareLocale(a, b);
      return c != 0 ? c < 0 : a < b;
    });
    sortValid_ = true;
  }

  bool caseSensitive_;
  bool sorted_;
  mutable bool sortValid_ = false;
  mutable std::vector<std::u16string> keys_;
  std::unordered_map<std::u16string, V> map_;
};

}  // namespace zelk
