// What a family of built-ins needs from the dispatcher: the evaluated
// argument vectors, the call record its branches receive, the table they
// register in, and the shared result-array and thread helpers.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "builtins/builtins.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// At most 36 arguments are evaluated; the vectors have one spare entry so that
// a branch may read the position after the last without a check.
inline constexpr int kMaxBuiltinArguments = 36;

// One call's arguments, 0-based positions. An absent argument reads "", 0.0, 0.
struct BuiltinArgs {
  int count = 0;
  std::array<std::u16string, kMaxBuiltinArguments + 1> text;
  // Set only where text is a number text: the number and it truncated toward zero.
  std::array<double, kMaxBuiltinArguments + 1> real{};
  std::array<std::int64_t, kMaxBuiltinArguments + 1> whole{};
  // The first three arguments as evaluated, unconverted.
  std::array<Value, 3> value;
  // Whether position i's text is a number text (real and whole are set).
  std::array<bool, kMaxBuiltinArguments + 1> numeric{};
  // A string among the first three arguments of a built-in that only reads
  // its texts stays in value[i], text[i] empty: a copy of a long text would
  // hold a stop request up before the built-in, which looks at it, begins.
  std::array<bool, 3> viewed{};

  // Position i's text, wherever it is kept.
  std::u16string_view Text(int i) const {
    const auto p = static_cast<std::size_t>(i);
    if (p < viewed.size() && viewed[p]) return value[p].AsString();
    return text[p];
  }
};

struct BuiltinCall {
  int number;
  std::u16string_view name;
  std::u16string_view argumentText;  // between the parentheses, as written
  BuiltinArgs& args;
  Value& result;  // "" when the branch stores nothing
  THensuFmt& context;
  bool failed = false;  // set by Fail()

  // Reports a run-time error (TRY may take it) and marks the call failed.
  void Fail(std::u16string_view message);
};

// Lets a long loop notice Ctrl+C or the debugger's Stop: one relaxed load
// every kStopPollSteps steps, so the normal path stays as fast as before.
class StopPoll {
 public:
  static constexpr std::int64_t kStopPollSteps = 1 << 16;

  explicit StopPoll(const std::atomic<int>& abortLevel) : abortLevel_(&abortLevel) {}
  explicit StopPoll(const THensuFmt& context);

  // True once the run is being stopped; steps is the work done since the last ask.
  bool Stopped(std::int64_t steps = 1) {
    if (stopped_) return true;
    left_ -= steps;
    if (left_ > 0) return false;
    left_ = kStopPollSteps;
    stopped_ = abortLevel_->load(std::memory_order_relaxed) > 0;
    return stopped_;
  }
  bool stopped() const { return stopped_; }

  // hay.find(needle, from) in slices, asking between them; npos when stopped.
  std::size_t Find(std::u16string_view hay, std::u16string_view needle, std::size_t from) {
    constexpr std::size_t kSlice = kStopPollSteps;
    const std::size_t start = std::min(from, hay.size());
    if (needle.empty() || hay.size() - start <= kSlice) {
      const std::size_t p = hay.find(needle, from);
      return Stopped(static_cast<std::int64_t>((p == hay.npos ? hay.size() : p) - start) + 1)
                 ? hay.npos
                 : p;
    }
    while (from < hay.size()) {
      const std::size_t end = std::min(hay.size(), from + kSlice + needle.size() - 1);
      const std::size_t p = hay.substr(0, end).find(needle, from);
      if (p != hay.npos) return Stopped(static_cast<std::int64_t>(p - from) + 1) ? hay.npos : p;
      if (Stopped(kStopPollSteps)) return hay.npos;
      from += kSlice;
    }
    return hay.npos;
  }

 private:
  const std::atomic<int>* abortLevel_;
  std::int64_t left_ = kStopPollSteps;
  bool stopped_ = false;
};

using BuiltinBranch = void (*)(BuiltinCall& call);

// The dispatcher's first step: args filled from the argument text of built-in
// number; false when the call must not go on (everything has been reported).
bool EvaluateBuiltinArguments(int number, std::u16string_view argumentText, BuiltinArgs& args,
                              THensuFmt& context);

// Number -> branch. A number without a branch belongs to a family that has not
// been built; calling it reports so, naming the function.
class BuiltinBranchTable {
 public:
  // name must be in the name table (checked on start).
  void Set(std::u16string_view name, BuiltinBranch branch);
  BuiltinBranch At(int number) const { return branches_[static_cast<std::size_t>(number)]; }

 private:
  std::array<BuiltinBranch, kBuiltinCount> branches_{};
};

// Each family fills in its own names.
void AddEventBuiltins(BuiltinBranchTable& table);
void AddStringBuiltins(BuiltinBranchTable& table);
void AddArrayBuiltins(BuiltinBranchTable& table);
void AddFileBuiltins(BuiltinBranchTable& table);
void AddDialogBuiltins(BuiltinBranchTable& table);
void AddWindowBuiltins(BuiltinBranchTable& table);
void AddImageBuiltins(BuiltinBranchTable& table);
void AddProcessBuiltins(BuiltinBranchTable& table);
void AddTextBuiltins(BuiltinBranchTable& table);
void AddItemBuiltins(BuiltinBranchTable& table);
void AddComBuiltins(BuiltinBranchTable& table);

// The math evaluator for numbers 0..11 and 88..91: up to three arguments as
// doubles.
Value CallMathBuiltin(int number, std::u16string_view argumentText, THensuFmt& context,
                      bool* failed);

// Result arrays (ALL_WIN_ID, GETDIR_FILES, ...): inside the collection of a
// FOR-IN the variable written is NAME_TMP. ClearResult empties (or creates
// empty) the variable; AppendResult adds one element and returns the count.
void ClearResult(std::u16string_view name, THensuFmt& context);
int AppendResult(std::u16string_view name, const Value& value, THensuFmt& context);

// The script-thread slot (0..63) of the context, or -1 on the main thread.
int ThreadSlotOf(const THensuFmt& context);
// 0 on the main thread, slot + 1 in a script thread: an index into the
// per-thread state arrays of 65 entries.
int CallerIndex(const THensuFmt& context);

}  // namespace zelk
