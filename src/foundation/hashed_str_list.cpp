#include "foundation/hashed_str_list.h"

#include <stdexcept>

namespace zelk {

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
  keys_.emplace_back(key);
  map_[MapKey(key)] = value;
  return position;
}

int TUHashedStrList::IndexOf(std::u16string_view key) const {
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
  return keys_[static_cast<std::size_t>(i)];
}

int TUHashedStrList::ValueAt(int i) const {
  return IndexOf(KeyAt(i));
}

void TUHashedStrList::Clear() {
  keys_.clear();
  map_.clear();
}

void TUHashedStrList::Assign(const TUHashedStrList& other) {
  if (&other == this) return;  // clearing first would lose everything
  Clear();
  caseSensitive_ = other.caseSensitive_;
  keys_.reserve(other.keys_.size());
  for (const std::u16string& key : other.keys_) AddWithValue(key, other.IndexOf(key));
}

}  // namespace zelk
