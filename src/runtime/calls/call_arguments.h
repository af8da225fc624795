// A call's arguments: cut at top-level commas and evaluated in the caller,
// without allocating for the few arguments most calls have.
#pragma once

#include <array>
#include <cstddef>
#include <new>
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

// Up to eight items in place (constructed only as they are added), more on
// the heap: most calls have a few arguments.
template <typename T>
class SmallList {
 public:
  SmallList() = default;
  SmallList(const SmallList&) = delete;
  SmallList& operator=(const SmallList&) = delete;
  ~SmallList() {
    const std::size_t inPlace = size_ < kInPlace ? size_ : kInPlace;
    for (std::size_t i = 0; i < inPlace; ++i) At(i).~T();
  }
  void push_back(T value) {
    if (size_ < kInPlace) {
      new (raw_ + size_ * sizeof(T)) T(std::move(value));
      ++size_;
    } else {
      PushBeyond(std::move(value));
    }
  }
  // A new item, default-constructed, to be filled in place.
  T& emplace_back() {
    if (size_ < kInPlace) return *new (raw_ + size_++ * sizeof(T)) T();
    PushBeyond(T());
    return more_.back();
  }
  std::size_t size() const { return size_; }
  std::span<T> span() {
    return size_ <= kInPlace ? std::span<T>(&At(0), size_) : std::span<T>(more_);
  }

 private:
  static constexpr std::size_t kInPlace = 8;
  // Out of line: the items beyond the first few are rare.
  [[gnu::noinline]] void PushBeyond(T value) {
    if (size_ == kInPlace) {
      more_.reserve(kInPlace * 2);
      for (std::size_t i = 0; i < kInPlace; ++i) more_.push_back(std::move(At(i)));
    }
    more_.push_back(std::move(value));
    ++size_;
  }
  T& At(std::size_t i) { return *std::launder(reinterpret_cast<T*>(raw_ + i * sizeof(T))); }
  alignas(T) unsigned char raw_[sizeof(T) * kInPlace];
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

// Evaluates the arguments, cut already, in the caller, in order. Those
// passedAsText(r) names, and on a CALL of an included file those holding
// "<#", are handed over as their text. False (and *failed set) when the run
// stops or an argument failed.
// evaluate(r, text, &value) evaluates argument r as Evaluate does.
template <typename PassedAsText, typename EvaluateOne>
bool EvaluateArgumentTexts(std::span<const std::u16string_view> texts, CallMode mode,
                           PassedAsText passedAsText, EvaluateOne evaluate, THensuFmt& context,
                           SmallList<Value>* out, bool* failed) {
  Interpreter& interp = *context.interp;
  for (std::size_t r = 0; r < texts.size(); ++r) {
    if (interp.run.abortLevel > 0 || interp.run.errorFlag) {
      if (failed) *failed = true;
      return false;
    }
    std::u16string_view argument = texts[r];
    if ((mode == CallMode::kIncludeCall && argument.find(u"<#") != std::u16string_view::npos) ||
        passedAsText(r)) {
      out->push_back(Value::String(std::u16string(argument)));
      continue;
    }
    Value value;
    if (!evaluate(r, argument, &value)) {
      if (failed) *failed = true;
      return false;
    }
    out->push_back(std::move(value));
  }
  return true;
}

// The same for the arguments as written between the parentheses.
template <typename PassedAsText>
bool EvaluateArguments(std::u16string_view arguments, CallMode mode, PassedAsText passedAsText,
                       THensuFmt& context, CallArguments* out, bool* failed) {
  CutArguments(arguments, &out->texts);
  std::span<std::u16string_view> texts = out->texts.span();
  auto evaluate = [&context](std::size_t, std::u16string_view text, Value* value) {
    return Evaluate(text, context, value);
  };
  return EvaluateArgumentTexts(std::span<const std::u16string_view>(texts.data(), texts.size()),
                               mode, passedAsText, evaluate, context, &out->values, failed);
}

}  // namespace zelk
