// The statement table's source column: per row the text "line,source" as it
// stood before the kind pass, scrambled, kept end to end in one buffer with
// an offset per row. A separate string per row cost several times the text
// itself; a million-line script keeps a million of them for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zelk {

// Source texts are kept scrambled so that a memory dump does not show the
// script; the same call unscrambles.
inline constexpr char16_t kSourceScrambleMask = 0x5A3C;
inline std::u16string ScrambleSource(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = static_cast<char16_t>(c ^ kSourceScrambleMask);
  return out;
}

class SourceColumn {
 public:
  // The scrambled entry of a row; valid until the next change of the column.
  std::u16string_view operator[](std::size_t row) const {
    return std::u16string_view(chars_).substr(starts_[row], starts_[row + 1] - starts_[row]);
  }
  // Range failures throw std::out_of_range.
  std::u16string_view at(std::size_t row) const {
    if (row >= size()) throw std::out_of_range("source row");
    return (*this)[row];
  }
  std::size_t size() const { return starts_.size() - 1; }
  bool empty() const { return size() == 0; }

  // Appends an entry that is scrambled already.
  void push_back(std::u16string_view scrambled) {
    chars_.append(scrambled);
    Close();
  }
  // Appends "prefix,text" scrambled, without a copy of its own.
  void Append(std::u16string_view prefix, std::u16string_view text) {
    std::size_t from = chars_.size();
    chars_.append(prefix);
    chars_ += u',';
    chars_.append(text);
    for (std::size_t i = from; i < chars_.size(); ++i) {
      chars_[i] = static_cast<char16_t>(chars_[i] ^ kSourceScrambleMask);
    }
    Close();
  }
  // Pads with empty entries, or drops the last ones.
  void resize(std::size_t rows) {
    if (rows < size()) {
      starts_.resize(rows + 1);
      chars_.resize(starts_.back());
    } else {
      starts_.resize(rows + 1, starts_.back());
    }
  }
  void reserve(std::size_t rows, std::size_t chars) {
    starts_.reserve(rows + 1);
    chars_.reserve(chars);
  }
  void clear() {
    chars_.clear();
    chars_.shrink_to_fit();
    starts_.assign(1, 0);
    starts_.shrink_to_fit();
  }

 private:
  void Close() {
    if (chars_.size() > UINT32_MAX) throw std::length_error("source column");
    starts_.push_back(static_cast<std::uint32_t>(chars_.size()));
  }

  std::u16string chars_;
  // Entry r is chars_[starts_[r], starts_[r + 1]).
  std::vector<std::uint32_t> starts_{0};
};

}  // namespace zelk
