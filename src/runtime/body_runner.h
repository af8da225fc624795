// The body runner: runs the rows of one procedure body in its context, row
// by row through the executor, until the body ends or the run stops; and the
// bound on nested calls that keeps endless recursion from exhausting the stack.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "runtime/context.h"

namespace zelk {

class Interpreter;

// Rows from the header row up to, not including, the body's FEND: a view into
// the statement table.
std::span<const std::u16string> BodyRows(const Interpreter& interp, int headerIndex);

// Runs the rows from curOffset 1 while the body, the run and the context let
// it go on; then closes the body (curOffset at its end, pending EXIT, BREAK and
// CONTINUE cleared) and calls the debug hook with at-end set.
void RunBody(THensuFmt& context);

// Calls nested on this thread. The deepest nesting allowed must fit in the
// smallest stack a body runs on (the main thread of the 32-bit Windows build
// reserves 2 MB) with room left for the deepest level's own work; calls of
// bodies with deeply nested blocks cost more per level, so kMaxCallStackBytes
// bounds the stack that nested calls use as well. The depth stays below the
// evaluator's bound on nested evaluations (a call inside an argument nests
// two per level), so that recursion ends with its own message.
inline constexpr int kMaxCallDepth = 450;
#if defined(_WIN32)
inline constexpr std::intptr_t kMaxCallStackBytes = 1024 * 1024;
#else
inline constexpr std::intptr_t kMaxCallStackBytes = 4 * 1024 * 1024;
#endif

// One more nested call on this thread while it lives. Entered() is false when
// the call would go too deep: the caller then reports TooDeepMessage.
class CallNesting {
 public:
  CallNesting();
  ~CallNesting();
  CallNesting(const CallNesting&) = delete;
  CallNesting& operator=(const CallNesting&) = delete;
  bool Entered() const { return entered_; }

 private:
  bool entered_;
};

std::u16string TooDeepMessage(std::u16string_view name);

}  // namespace zelk
