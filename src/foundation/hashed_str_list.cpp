#include "foundation/hashed_str_list.h"

#include <atomic>
#include <stdexcept>

namespace zelk {

std::uint64_t TUHashedStrList::NextVersion() {
  static std::atomic<std::uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::u16string TUHashedStrList::MapKey(std::u16string_view key) const {
  std::u16string k(key);
  if (!caseSensitive_) {
    for (char16_t& c : k) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
    }
  }
  return k;
}

int TUHashedStrList::Add(std::u16string_view key) {
  return AddWithValue(key, Count());
}

int TUHashedStrList::AddWithValue(std::u16string_view key, int value) {
  int position = Count();
  version_ = NextVersion();
  entries_.push_back(Entry{std::u16string(key), value});
  if (!Linear()) {
    if (map_.empty()) {
      BuildMap();
    } else {
      map_[MapKey(key)] = value;
    }
  }
  return position;
}

void TUHashedStrList::BuildMap() {
  map_.reserve(entries_.size() * 2);
  for (const Entry& entry : entries_) map_[MapKey(entry.key)] = entry.value;
}

int TUHashedStrList::IndexOf(std::u16string_view key) const {
  if (Linear()) {
    // From the end: a key added twice answers with its last value, as the map does.
    for (std::size_t i = entries_.size(); i-- > 0;) {
      if (SameKey(entries_[i].key, key)) return entries_[i].value;
    }
    return -1;
  }
  if (!caseSensitive_) {
    std::size_t i = 0;
    while (i < key.size() && !(key[i] >= u'a' && key[i] <= u'z')) ++i;
    if (i < key.size()) {
      // Lower-case letters: upper-case into a reused buffer, not a new string.
      thread_local std::u16string buffer;
      buffer.assign(key);
      for (std::size_t j = i; j < buffer.size(); ++j) {
        char16_t& c = buffer[j];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
      }
      auto it = map_.find(std::u16string_view(buffer));
      return it == map_.end() ? -1 : it->second;
    }
  }
  auto it = map_.find(key);
  return it == map_.end() ? -1 : it->second;
}

const std::u16string& TUHashedStrList::KeyAt(int i) const {
  if (i < 0 || i >= Count()) throw std::out_of_range("TUHashedStrList index out of range");
  return entries_[static_cast<std::size_t>(i)].key;
}

int TUHashedStrList::ValueAt(int i) const {
  return IndexOf(KeyAt(i));
}

void TUHashedStrList::Clear() {
  version_ = NextVersion();
  entries_.clear();
  map_.clear();
}

void TUHashedStrList::Truncate(int count) {
  if (count < 0 || static_cast<std::size_t>(count) >= entries_.size()) return;
  version_ = NextVersion();
  entries_.resize(static_cast<std::size_t>(count));
  map_.clear();
  if (!Linear()) BuildMap();
}

void TUHashedStrList::Assign(const TUHashedStrList& other) {
  if (&other == this) return;  // clearing first would lose everything
  Clear();
  caseSensitive_ = other.caseSensitive_;
  entries_.reserve(other.entries_.size());
  for (const Entry& entry : other.entries_) AddWithValue(entry.key, other.IndexOf(entry.key));
}

}  // namespace zelk
