// String-to-integer name table that remembers its keys in order of addition.
// Unless caseSensitive, keys are stored with a-z upper-cased, so lookups ignore
// ASCII case (and only ASCII case).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelk {

class TUHashedStrList {
 public:
  explicit TUHashedStrList(bool caseSensitive = false)
      : caseSensitive_(caseSensitive), version_(NextVersion()) {}
  // A copy is another list: it gets a version of its own.
  TUHashedStrList(const TUHashedStrList& o)
      : caseSensitive_(o.caseSensitive_),
        version_(NextVersion()),
        entries_(o.entries_),
        map_(o.map_) {}
  TUHashedStrList(TUHashedStrList&& o) noexcept
      : caseSensitive_(o.caseSensitive_),
        version_(NextVersion()),
        entries_(std::move(o.entries_)),
        map_(std::move(o.map_)) {
    o.version_ = NextVersion();
  }
  TUHashedStrList& operator=(const TUHashedStrList& o) {
    if (this != &o) {
      caseSensitive_ = o.caseSensitive_;
      entries_ = o.entries_;
      map_ = o.map_;
      version_ = NextVersion();
    }
    return *this;
  }
  TUHashedStrList& operator=(TUHashedStrList&& o) noexcept {
    if (this != &o) {
      caseSensitive_ = o.caseSensitive_;
      entries_ = std::move(o.entries_);
      map_ = std::move(o.map_);
      version_ = NextVersion();
      o.version_ = NextVersion();
    }
    return *this;
  }

  // The key must not be present yet (callers check with IndexOf).
  int Add(std::u16string_view key);
  int AddWithValue(std::u16string_view key, int value);
  int IndexOf(std::u16string_view key) const;  // -1 when absent
  // Range failures throw std::out_of_range.
  const std::u16string& KeyAt(int i) const;
  int ValueAt(int i) const;
  int Count() const { return static_cast<int>(entries_.size()); }
  void Clear();
  // Keeps the first count keys (fewer: nothing changes).
  void Truncate(int count);
  // The key at position was added as key; a cheap check of a remembered position.
  bool HoldsAt(int position, std::u16string_view key) const {
    return position >= 0 && static_cast<std::size_t>(position) < entries_.size() &&
           SameKey(entries_[static_cast<std::size_t>(position)].key, key);
  }
  void Assign(const TUHashedStrList& other);
  bool caseSensitive() const { return caseSensitive_; }
  void setCaseSensitive(bool on) {
    caseSensitive_ = on;
    version_ = NextVersion();
  }
  // Changes with every change of what IndexOf answers, and no two lists (nor
  // one list before and after a change) ever share a version in a process:
  // a position found by IndexOf stays right while the version is the same.
  std::uint64_t Version() const { return version_; }
  // A version for lists that will all hold the same keys in the same order.
  static std::uint64_t NewVersion() { return NextVersion(); }
  // Takes such a shared version: the caller vouches that every list holding
  // it has the very keys of this one, in this order.
  void AdoptVersion(std::uint64_t version) { version_ = version; }

 private:
  std::u16string MapKey(std::u16string_view key) const;
  static std::uint64_t NextVersion();

  // Transparent, so that lookups need no key string of their own.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view key) const noexcept {
      return std::hash<std::u16string_view>{}(key);
    }
  };
  struct KeyEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept { return a == b; }
  };

  // Small lists (a call's few variables) are searched linearly: creating one
  // then allocates no hash nodes. The map is built once the list grows.
  static constexpr std::size_t kLinearLimit = 8;
  bool Linear() const { return entries_.size() <= kLinearLimit; }
  bool SameKey(std::u16string_view stored, std::u16string_view key) const;
  void BuildMap();

  bool caseSensitive_;
  std::uint64_t version_;
  struct Entry {
    std::u16string key;  // as added
    int value;
  };
  std::vector<Entry> entries_;
  std::unordered_map<std::u16string, int, KeyHash, KeyEqual> map_;
};

inline bool TUHashedStrList::SameKey(std::u16string_view stored, std::u16string_view key) const {
  if (stored.size() != key.size()) return false;
  if (caseSensitive_) return stored == key;
  for (std::size_t i = 0; i < key.size(); ++i) {
    char16_t a = stored[i], b = key[i];
    if (a == b) continue;
    if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - (u'a' - u'A'));
    if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - (u'a' - u'A'));
    if (a != b) return false;
  }
  return true;
}

}  // namespace zelk
