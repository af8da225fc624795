// Index and size tests on vectors that compare bytes: size() divides by the
// element's size, which for most element sizes costs a multiplication on the
// paths every row and call take.
#pragma once

#include <cstddef>
#include <vector>

namespace zelk {

template <class T>
inline std::size_t ByteSize(const std::vector<T>& items) {
  return static_cast<std::size_t>(reinterpret_cast<const char*>(items.data() + items.size()) -
                                  reinterpret_cast<const char*>(items.data()));
}

// i < items.size(), for an index below 2^31.
template <class T>
inline bool HasIndex(const std::vector<T>& items, std::size_t i) {
  return i * sizeof(T) < ByteSize(items);
}

// items.size() == n, for n below 2^31.
template <class T>
inline bool HasSize(const std::vector<T>& items, std::size_t n) {
  return n * sizeof(T) == ByteSize(items);
}

}  // namespace zelk
