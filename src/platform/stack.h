// The calling thread's stack. Recursions of the interpreter (nested calls,
// blocks and expressions, the pre-run check) stop when the stack runs low, so
// that the depth they reach follows the real stack of every build: 32-bit or
// 64-bit frames, optimised or sanitized.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace zelk::os {

struct StackRoom {
  std::size_t left;  // bytes between the caller's frame and the end of the stack
  std::size_t size;  // the thread's whole stack
};
StackRoom CurrentStackRoom();

// How far a recursion may go. Calls stop first, then blocks, then
// expressions: every level of a recursion through calls also nests blocks
// and an expression, every block level an expression (its condition), and
// each is reported as what it is.
enum class StackUse { kCall, kBlock, kExpression };

// True when a recursion should stop here and report. Calls keep an eighth of
// the stack and never less than 256 KB, blocks three quarters of that and
// expressions half: room for the report itself (a message box needs a good
// deal).
inline bool StackIsLow(StackUse use) {
  const StackRoom room = CurrentStackRoom();
  std::size_t reserve = std::max<std::size_t>(256 * 1024, room.size / 8);
  if (use == StackUse::kBlock) reserve = reserve / 4 * 3;
  if (use == StackUse::kExpression) reserve /= 2;
  return room.left < reserve;
}

// Runs work on a new thread whose stack reserves the given bytes and waits
// for it to end; false when the thread could not be started.
bool RunOnThreadWithStack(std::size_t stackBytes, const std::function<void()>& work);

}  // namespace zelk::os
