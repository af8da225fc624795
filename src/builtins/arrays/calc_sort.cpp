// CALCARRAY and QSORT: a sum, minimum, maximum or average over a range of an
// array, and the sort of an array with its companion arrays.
#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "builtins/arrays/array_access.h"
#include "builtins/arrays/array_functions.h"
#include "builtins/arrays/sort_values.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"

namespace zelk::arrays {
namespace {

enum CalcKind { kCalcAdd = 1, kCalcMin = 2, kCalcMax = 3, kCalcAverage = 4 };

std::u16string DefinitionWrongMessage(const std::u16string& text) {
  return JapaneseMessages() ? text + u": 定義が間違っています" : u"Definition is wrong: " + text;
}

std::u16string NonNumericMessage(const std::u16string& text) {
  return JapaneseMessages() ? text + u": 数値以外である" : u"Is non-numeric: " + text;
}

std::u16string SortErrorMessage() {
  return Msg(u"QSORT: Error", u"QSORT: 設定エラー");
}

constexpr int kMaxCompanions = 8;

}  // namespace

void CalcArray(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  const std::int64_t kind = args.whole[1];
  if (kind < kCalcAdd || kind > kCalcAverage) {
    call.Fail(DefinitionWrongMessage(args.text[1]));
    return;
  }
  ArrayArgument argument(call.context);
  if (!OpenArray(argument, call, args.text[0], false)) return;
  const ElementView& a = argument.elements();
  const std::int64_t last = static_cast<std::int64_t>(a.size()) - 1;
  const std::int64_t from = std::max<std::int64_t>(args.count >= 3 ? args.whole[2] : 0, 0);
  const std::int64_t to = std::min(args.count >= 4 && args.numeric[3] ? args.whole[3] : last, last);
  double sum = 0;
  double least = std::numeric_limits<double>::infinity();
  double most = -least;
  std::int64_t counted = 0;
  bool numeric = true;
  std::u16string bad;
  for (std::int64_t i = from; i <= to; ++i) {
    const Value& element = a[static_cast<std::size_t>(i)];
    if (element.IsEmpty()) continue;
    double d;
    if (!element.ToNumber(&d)) {
      numeric = false;
      bad = element.Text();
      break;
    }
    sum += d;
    least = std::min(least, d);
    most = std::max(most, d);
    ++counted;
  }
  argument.Release();
  if (!numeric) {
    call.Fail(NonNumericMessage(bad));
    return;
  }
  double result = 0;
  if (counted > 0) {
    switch (kind) {
      case kCalcAdd:
        result = sum;
        break;
      case kCalcMin:
        result = least;
        break;
      case kCalcMax:
        result = most;
        break;
      default:
        result = sum / static_cast<double>(counted);
        break;
    }
  }
  call.result = Value::Double(result);
}

void QSort(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  const std::int64_t order = args.whole[1];
  if (order < 0 || order > 5) {
    call.Fail(SortErrorMessage());
    return;
  }
  const int mode = static_cast<int>(order / 2);
  const bool descending = order % 2 != 0;

  // Every argument is evaluated before any array is bound: an index
  // expression may run script code, which must not find a variable locked.
  const int companionCount = std::clamp(args.count - 2, 0, kMaxCompanions);
  std::vector<std::unique_ptr<ArrayArgument>> arguments;
  arguments.reserve(static_cast<std::size_t>(companionCount + 1));
  for (int p = 0; p < companionCount + 2; ++p) {
    if (p == 1) continue;
    arguments.push_back(std::make_unique<ArrayArgument>(call.context));
    if (!arguments.back()->Prepare(args.text[static_cast<std::size_t>(p)])) {
      call.failed = true;
      return;
    }
  }
  std::u16string message;
  std::array<ElementView, kMaxCompanions> companions;
  for (std::size_t n = 0; n < arguments.size() && message.empty(); ++n) {
    ArrayArgument& argument = *arguments[n];
    Found found = argument.Bind(true);
    if (found == Found::kFailed) {
      message = argument.message();
    } else if (found == Found::kNotArray) {
      message = ArrayUnspecifiedMessage(argument.text());
    } else if (n > 0) {
      companions[n - 1] = argument.elements();
    }
  }
  const bool bound = message.empty();
  if (bound) {
    const ElementView& a = arguments[0]->elements();
    const std::size_t count = a.size();
    std::span<const ElementView> others(companions.data(), arguments.size() - 1);
    // A companion too short to follow every exchange fails before anything moves.
    bool fits = std::all_of(others.begin(), others.end(),
                            [count](const ElementView& c) { return c.size() >= count; });
    StopPoll poll(call.context);
    if (fits && SortValues(a, count, mode, others, call.context.interp->options, poll)) {
      if (descending) {
        for (std::size_t i = 0, j = count; i + 1 < j; ++i, --j) {
          std::swap(a[i], a[j - 1]);
          for (const ElementView& c : others) std::swap(c[i], c[j - 1]);
        }
      }
    } else if (poll.stopped()) {
      call.failed = true;
    } else {
      message = SortErrorMessage();
    }
  }
  for (auto& argument : arguments) argument->Finish(bound);
  if (!message.empty()) call.Fail(message);
}

}  // namespace zelk::arrays
