// The statement table's line column: per row the file index and the line
// number it came from, as two numbers. Kept as texts, a million-line script
// paid a heap block per row for "0,123456".
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zelk {

// Where a row came from: file index into SourceFiles and 1-based line (0 for
// a file's inserted header row). No reference (an empty row, the inserted
// FEND) has file -1.
struct LineRef {
  std::int32_t file = -1;
  std::int32_t line = 0;

  bool empty() const { return file < 0; }
  bool operator==(const LineRef&) const = default;

  // "file,line", or "" without a reference.
  std::u16string Text() const {
    if (empty()) return {};
    std::string digits = std::to_string(file) + ',' + std::to_string(line);
    return std::u16string(digits.begin(), digits.end());
  }
  // The reverse of Text(); anything else is no reference.
  static LineRef Parse(std::u16string_view text) {
    LineRef ref;
    const std::size_t comma = text.find(u',');
    if (comma == 0 || comma == std::u16string_view::npos || comma + 1 == text.size()) return ref;
    std::int64_t numbers[2] = {0, 0};
    std::u16string_view parts[2] = {text.substr(0, comma), text.substr(comma + 1)};
    for (int i = 0; i < 2; ++i) {
      for (char16_t c : parts[i]) {
        if (c < u'0' || c > u'9' || numbers[i] > INT32_MAX / 10) return {};
        numbers[i] = numbers[i] * 10 + (c - u'0');
      }
    }
    if (numbers[0] > INT32_MAX || numbers[1] > INT32_MAX) return {};
    return LineRef{static_cast<std::int32_t>(numbers[0]), static_cast<std::int32_t>(numbers[1])};
  }
};

class LineColumn {
 public:
  LineRef operator[](std::size_t row) const { return refs_[row]; }
  // Range failures throw std::out_of_range.
  LineRef at(std::size_t row) const { return refs_.at(row); }
  void Set(std::size_t row, LineRef ref) { refs_.at(row) = ref; }
  std::size_t size() const { return refs_.size(); }
  bool empty() const { return refs_.empty(); }

  void push_back(LineRef ref) { refs_.push_back(ref); }
  void resize(std::size_t rows) { refs_.resize(rows); }
  void reserve(std::size_t rows) { refs_.reserve(rows); }
  void clear() {
    refs_.clear();
    refs_.shrink_to_fit();
  }

 private:
  std::vector<LineRef> refs_;
};

}  // namespace zelk
