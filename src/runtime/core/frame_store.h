// The contexts of user calls, kept per thread record and handed from one call
// to the next: a call's context, its tables and the element vectors of its
// scalars are reused rather than allocated and freed each time.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

class FrameStore {
 public:
  // A context in the state of a new call's (case-sensitive names), owned by
  // the caller until it is given back.
  std::unique_ptr<THensuFmt> Take(Interpreter& interp) {
    if (free_.empty()) return std::make_unique<THensuFmt>(interp, true);
    std::unique_ptr<THensuFmt> frame = std::move(free_.back());
    free_.pop_back();
    frame->interp = &interp;
    return frame;
  }

  // Takes a context back: its variables are dropped, its storage kept.
  void Give(std::unique_ptr<THensuFmt> frame) {
    if (!frame) return;
    for (std::vector<Value>& elements : frame->vars.values) {
      // A large array's storage goes back to the system, not into the store.
      if (elements.capacity() == 0 || elements.capacity() > kSmallElements ||
          elements_.size() >= kMaxElements) {
        continue;
      }
      elements.clear();
      elements_.push_back(std::move(elements));
    }
    frame->ResetForCall();
    if (free_.size() < kMaxFrames) free_.push_back(std::move(frame));
  }

  // An empty element vector with room for a scalar when one is kept.
  std::vector<Value> TakeElements() {
    if (elements_.empty()) return {};
    std::vector<Value> elements = std::move(elements_.back());
    elements_.pop_back();
    return elements;
  }

 private:
  static constexpr std::size_t kSmallElements = 4;
  static constexpr std::size_t kMaxElements = 4096;
  static constexpr std::size_t kMaxFrames = 4096;
  std::vector<std::unique_ptr<THensuFmt>> free_;
  std::vector<std::vector<Value>> elements_;
};

}  // namespace zelk
