// The contexts of user calls, kept per thread record and handed from one call
// to the next: a call's context, its tables and the element vectors of its
// scalars are reused rather than allocated and freed each time. A context
// given back keeps the names its routine bound (RESULT and the parameters),
// so that the routine's next call, a recursion above all, binds by place.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"
#include "runtime/core/vector_sizes.h"

namespace zelk {

class FrameStore {
 public:
  // A context in the state of a new call's (case-sensitive names), owned by
  // the caller until it is given back. It keeps the layout of a routine's
  // bound names only when that is the layout asked for (header, names);
  // otherwise its variables are dropped.
  std::unique_ptr<THensuFmt> Take(Interpreter& interp, int header = -1, int names = 0) {
    if (free_.empty()) return NewFrame(interp);
    std::unique_ptr<THensuFmt> frame = std::move(free_.back());
    free_.pop_back();
    frame->interp = &interp;
    if (frame->layoutHeader >= 0 &&
        (frame->layoutHeader != header || frame->layoutNames != names)) {
      ForgetLayout(*frame);
    }
    return frame;
  }

  // Takes a context back: its variables are dropped but for its layout's
  // names, which are left holding Empty; its storage is kept.
  void Give(std::unique_ptr<THensuFmt> frame) {
    if (!frame) return;
    const std::size_t keep = KeptNames(*frame);
    if (keep == 0) {
      DropVariables(*frame, 0);
      frame->ResetForCall();
    } else {
      VariableTable& vars = frame->vars;
      for (std::size_t i = 0; i < keep; ++i) {
        std::vector<Value>& elements = vars.values[i];
        if (elements.size() == 1 && vars.bounds[i].empty()) {
          elements[0] = Value();
          continue;
        }
        if (elements.capacity() > kSmallElements) elements = std::vector<Value>();
        elements.assign(1, Value());
        vars.bounds[i].clear();
      }
      if (!HasSize(vars.values, keep)) {
        // Locals beyond the layout.
        DropVariables(*frame, keep);
        vars.names.Truncate(static_cast<int>(keep));
        vars.values.resize(keep);
        vars.bounds.resize(keep);
      }
      if (frame->layoutVersion != 0) vars.names.AdoptVersion(frame->layoutVersion);
      frame->ResetAllButVariables();
    }
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
  // Out of line, as Take's rare cases: the common one is a call of the
  // routine the context was laid out for.
  [[gnu::noinline]] static std::unique_ptr<THensuFmt> NewFrame(Interpreter& interp) {
    return std::make_unique<THensuFmt>(interp, true);
  }
  [[gnu::noinline]] void ForgetLayout(THensuFmt& frame) {
    DropVariables(frame, 0);
    frame.vars.Clear();
    frame.layoutHeader = -1;
    frame.layoutNames = 0;
    frame.layoutVersion = 0;
  }

  static std::size_t KeptNames(const THensuFmt& frame) {
    const VariableTable& vars = frame.vars;
    const std::size_t count = static_cast<std::size_t>(vars.names.Count());
    if (frame.layoutHeader < 0 || frame.layoutNames <= 0 || !vars.names.caseSensitive() ||
        !HasSize(vars.values, count) || !HasSize(vars.bounds, count) ||
        static_cast<std::size_t>(frame.layoutNames) > count) {
      return 0;
    }
    return static_cast<std::size_t>(frame.layoutNames);
  }

  // The element vectors from `from` on go back into the store.
  void DropVariables(THensuFmt& frame, std::size_t from) {
    std::vector<std::vector<Value>>& values = frame.vars.values;
    for (std::size_t i = from; i < values.size(); ++i) {
      std::vector<Value>& elements = values[i];
      // A large array's storage goes back to the system, not into the store.
      if (elements.capacity() == 0 || elements.capacity() > kSmallElements ||
          elements_.size() >= kMaxElements) {
        continue;
      }
      elements.clear();
      elements_.push_back(std::move(elements));
    }
  }

  static constexpr std::size_t kSmallElements = 4;
  static constexpr std::size_t kMaxElements = 4096;
  static constexpr std::size_t kMaxFrames = 4096;
  std::vector<std::unique_ptr<THensuFmt>> free_;
  std::vector<std::vector<Value>> elements_;
};

}  // namespace zelk
