// Stack bounds from the thread's environment block: the reserved range, of
// which the top is committed as the stack grows.
#include <windows.h>

#include <cstdint>

#include "platform/stack.h"

namespace zelk::os {
namespace {

// The last pages hold the guard page and the room Windows keeps for handling
// a stack overflow; reaching them is already the crash.
constexpr std::uintptr_t kGuardBytes = 64 * 1024;

// The usable range of the calling thread's stack, read from its environment
// block at each ask: the lowest address above the guard pages, and the size.
struct UsableStack {
  std::uintptr_t floor;
  std::size_t size;
};
UsableStack ThreadStack() {
  ULONG_PTR low = 0, high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  return {low + kGuardBytes, static_cast<std::size_t>(high - low)};
}

DWORD WINAPI RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

}  // namespace

// The size is a reservation: a 32-bit process has room for many such stacks.
bool RunOnThreadWithStack(std::size_t stackBytes, const std::function<void()>& work) {
  HANDLE thread =
      CreateThread(nullptr, stackBytes, RunWork, const_cast<std::function<void()>*>(&work),
                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!thread) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
}

StackRoom CurrentStackRoom() {
  const UsableStack stack = ThreadStack();
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  return {here > stack.floor ? here - stack.floor : 0, stack.size};
}

std::uintptr_t StackFloor(StackUse use) {
  const UsableStack stack = ThreadStack();
  return stack.floor + StackReserve(use, stack.size);
}

}  // namespace zelk::os
