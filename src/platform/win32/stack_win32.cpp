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
  ULONG_PTR low = 0, high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  const std::uintptr_t floor = low + kGuardBytes;
  return {here > floor ? here - floor : 0, static_cast<std::size_t>(high - low)};
}

// The limits are read from the thread's environment block: as fast as a
// thread-local copy of them would be.
std::uintptr_t StackFloor(StackUse use) {
  ULONG_PTR low = 0, high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  return low + kGuardBytes + StackReserve(use, static_cast<std::size_t>(high - low));
}

}  // namespace zelk::os
