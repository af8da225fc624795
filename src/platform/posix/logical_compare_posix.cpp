// The logical order without the shell: a digit run against a digit run
// compares by value (any length, leading zeros ignored), a digit sorts before
// any other character, and other characters compare with ASCII case folded.
#include "platform/logical_compare.h"

namespace zelk::os {
namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

char16_t Fold(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

// Compares the digit runs starting at *i and *j and moves both past them.
int CompareNumbers(std::u16string_view a, std::size_t* i, std::u16string_view b, std::size_t* j) {
  while (*i < a.size() && a[*i] == u'0') ++*i;
  while (*j < b.size() && b[*j] == u'0') ++*j;
  std::size_t startA = *i, startB = *j;
  while (*i < a.size() && IsDigit(a[*i])) ++*i;
  while (*j < b.size() && IsDigit(b[*j])) ++*j;
  std::size_t lengthA = *i - startA, lengthB = *j - startB;
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  int c = a.substr(startA, lengthA).compare(b.substr(startB, lengthB));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

int CompareLogical(const std::u16string& a, const std::u16string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool digitA = IsDigit(a[i]), digitB = IsDigit(b[j]);
    if (digitA && digitB) {
      if (int c = CompareNumbers(a, &i, b, &j)) return c;
      continue;
    }
    if (digitA != digitB) return digitA ? -1 : 1;
    char16_t x = Fold(a[i]), y = Fold(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  return j < b.size() ? -1 : 0;
}

}  // namespace zelk::os
