// A call's arguments: cut at top-level commas and evaluated in the caller,
// without allocating for the few arguments most calls have.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "base/text_scan.h"
#include "runtime/calls/calls.h"
#include "runtime/core/context.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/value.h"
#include "runtime/expr/evaluate.h"

namespace zelk {

template <typename T>
class SmallList {
 public:
  void push_back(T value) {
    if (size_ < inline_.size()) {
      inline_[size_] = std::move(value);
    } else {
      if (size_ == inline_.size()) {
        more_.assign(std::make_move_iterator(inline_.begin()),
                     std::make_move_iterator(inline_.end()));
      }
      more_.push_back(std::move(value));
    }
    ++size_;
  }
  std::size_t size() const { return size_; }
  std::span<T> span() {
    return size_ <= inline_.size() ? std::span<T>(inline_.data(), size_) : std::span<T>(more_);
  }

 private:
  std::array<T, 8> inline_{};
  std::vector<T> more_;
  std::size_t size_ = 0;
};

// Pieces of text at top-level commas (outside quotes, brackets and
// parentheses); empty pieces are kept. An empty or blank text has none.
template <typename List>
void CutArguments(std::u16string_view text, List* out) {
  if (TrimView(text).empty()) return;
  std::size_t start = 0;
  ForEachTopLevel(text, u',', [&](std::size_t i) {
    out->push_back(TrimView(text.substr(start, i - start)));
    start = i + 1;
    return true;
  });
  out->push_back(TrimView(text.substr(start)));
}

struct CallArguments {
  SmallList<std::u16string_view> texts;  // as written, trimmed
  SmallList<Value> values;
};

// Evaluates the arguments in the caller, in order. Those passedAsText(r)
// names, and on a CALL of an included file those holding "<#", are handed
// over as their text. False (and *failed set) when the run stops or an
// argument failed.
template <typename PassedAsText>
bool EvaluateArguments(std::u16string_view arguments, CallMode mode, PassedAsText passedAsText,
                       THensuFmt& context, CallArguments* out, bool* failed) {
  Interpreter& interp = *context.interp;
  CutArguments(arguments, &out->texts);
  std::span<std::u16string_view> texts = out->texts.span();
  for (std::size_t r = 0; r < texts.size(); ++r) {
    if (interp.run.abortLevel > 0 || interp.run.errorFlag) {
      if (failed) *failed = true;
      return false;
    }
    std::u16string_view argument = texts[r];
    if ((mode == CallMode::kIncludeCall && argument.find(u"<#") != std::u16string_view::npos) ||
        passedAsText(r)) {
      out->values.push_back(Value::String(std::u16string(argument)));
      continue;
    }
    Value value;
    if (!Evaluate(argument, context, &value)) {
      if (failed) *failed = true;
      return false;
    }
    out->values.push_back(std::move(value));
  }
  return true;
}

}  // namespace zelk
