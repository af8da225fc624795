#include "builtins/arrays/sort_values.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/logical_compare.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/operators.h"
#include "runtime/expr/tokenizer.h"

namespace zelk::arrays {
namespace {

class Sorter {
 public:
  Sorter(const ElementView& array, std::size_t count, int mode,
         std::span<const ElementView> companions, const ScriptOptions& options, StopPoll& poll)
      : a_(array), mode_(mode), companions_(companions), options_(options), poll_(poll) {
    // Where each element came from, so that a stop can put them all back.
    order_.resize(count);
    for (std::size_t k = 0; k < count; ++k) order_[k] = k;
    if (mode_ == kSortByLocale || mode_ == kSortLogical) {
      // Each element's text once, exchanged along with it.
      keys_.reserve(count);
      for (std::size_t k = 0; k < count; ++k) keys_.push_back(a_[k].Text());
    }
  }

  // Returns the elements of the array and of each companion to where they were.
  void Restore() {
    std::vector<Value> moved(order_.size());
    auto place = [&](const ElementView& array) {
      for (std::size_t k = 0; k < order_.size(); ++k) moved[order_[k]] = std::move(array[k]);
      for (std::size_t k = 0; k < order_.size(); ++k) array[k] = std::move(moved[k]);
    };
    place(a_);
    for (const ElementView& companion : companions_) place(companion);
  }

  bool stopped() const { return poll_.stopped(); }

  bool Sort(std::int64_t lo, std::int64_t hi) {
    while (lo < hi && !failed_) {
      const std::size_t middle = static_cast<std::size_t>(lo + (hi - lo) / 2);
      Value pivot;
      std::u16string pivotKey;
      if (keys_.empty()) {
        pivot = a_[middle];
      } else {
        pivotKey = keys_[middle];
      }
      std::int64_t i = lo, j = hi;
      do {
        while (i <= hi && Compare(static_cast<std::size_t>(i), pivot, pivotKey, kTokLess)) ++i;
        while (j >= lo && Compare(static_cast<std::size_t>(j), pivot, pivotKey, kTokGreater)) --j;
        if (failed_) return false;
        if (i <= j) {
          Exchange(static_cast<std::size_t>(i), static_cast<std::size_t>(j));
          ++i;
          --j;
        }
      } while (i <= j);
      // Only an order that contradicts itself leaves a part as large as the whole.
      if (j >= hi || i <= lo) {
        failed_ = true;
        return false;
      }
      // The smaller part by recursion, the larger in this loop: the stack
      // stays logarithmic whatever the data.
      if (j - lo < hi - i) {
        if (lo < j && !Sort(lo, j)) return false;
        lo = i;
      } else {
        if (i < hi && !Sort(i, hi)) return false;
        hi = j;
      }
    }
    return !failed_;
  }

 private:
  // Whether element k stands before (kTokLess) or after (kTokGreater) the pivot.
  bool Compare(std::size_t k, const Value& pivot, const std::u16string& pivotKey, int op) {
    if (failed_) return false;
    if (poll_.Stopped()) {
      failed_ = true;
      return false;
    }
    int c;
    if (mode_ == kSortByLocale) {
      c = os::CompareLocale(keys_[k], pivotKey);
    } else if (mode_ == kSortLogical) {
      c = os::CompareLogical(keys_[k], pivotKey);
    } else {
      Value answer;
      if (!CompareValues(op, a_[k], false, pivot, false, options_, &answer)) {
        failed_ = true;
        return false;
      }
      return answer.AsBoolean();
    }
    return op == kTokLess ? c < 0 : c > 0;
  }

  void Exchange(std::size_t i, std::size_t j) {
    if (i == j) return;
    std::swap(a_[i], a_[j]);
    std::swap(order_[i], order_[j]);
    if (!keys_.empty()) std::swap(keys_[i], keys_[j]);
    for (const ElementView& companion : companions_) std::swap(companion[i], companion[j]);
  }

  const ElementView& a_;
  int mode_;
  std::span<const ElementView> companions_;
  const ScriptOptions& options_;
  StopPoll& poll_;
  std::vector<std::size_t> order_;  // order_[k]: the element now at position k
  std::vector<std::u16string> keys_;
  bool failed_ = false;
};

}  // namespace

bool SortValues(const ElementView& array, std::size_t count, int mode,
                std::span<const ElementView> companions, const ScriptOptions& options,
                StopPoll& poll) {
  if (count < 2) return true;
  Sorter sorter(array, count, mode, companions, options, poll);
  const bool sorted = sorter.Sort(0, static_cast<std::int64_t>(count) - 1);
  if (sorter.stopped()) sorter.Restore();
  return sorted;
}

}  // namespace zelk::arrays
