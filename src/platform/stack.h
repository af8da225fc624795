// The calling thread's stack. Recursions of the interpreter (nested calls,
// blocks and expressions, the pre-run check) stop when the stack runs low, so
// that the depth they reach follows the real stack of every build: 32-bit or
// 64-bit frames, optimised or sanitized.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
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

// How much of the stack each use leaves: calls an eighth of the stack and
// never less than 256 KB, blocks three quarters of that and expressions half:
// room for the report itself (a message box needs a good deal).
inline std::size_t StackReserve(StackUse use, std::size_t stackSize) {
  std::size_t reserve = std::max<std::size_t>(256 * 1024, stackSize / 8);
  if (use == StackUse::kBlock) reserve = reserve / 4 * 3;
  if (use == StackUse::kExpression) reserve /= 2;
  return reserve;
}

// The lowest frame address a recursion of this use may reach on the calling
// thread. Asked at every call, block and evaluation: Windows answers from the
// thread's environment block; elsewhere the answer is kept per thread, as
// asking the system is slow.
#if defined(_WIN32)
std::uintptr_t StackFloor(StackUse use);
#else
extern constinit thread_local std::uintptr_t threadStackFloors[3];  // 0: not read yet
std::uintptr_t ReadStackFloor(StackUse use);
inline std::uintptr_t StackFloor(StackUse use) {
  const std::uintptr_t floor = threadStackFloors[static_cast<int>(use)];
  return floor != 0 ? floor : ReadStackFloor(use);
}
#endif

// True when a recursion should stop here and report.
[[gnu::always_inline]] inline bool StackIsLow(StackUse use) {
  return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < StackFloor(use);
}

// Runs work on a new thread whose stack reserves the given bytes and waits
// for it to end; false when the thread could not be started.
bool RunOnThreadWithStack(std::size_t stackBytes, const std::function<void()>& work);

}  // namespace zelk::os
