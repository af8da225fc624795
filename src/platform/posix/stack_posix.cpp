// Stack bounds from the thread's attributes, asked once per thread (for the
// main thread glibc reads /proc, which is slow).
#include <pthread.h>

#include <cstdint>

#include "platform/stack.h"

namespace zelk::os {

constinit thread_local std::uintptr_t threadStackFloors[3] = {};

namespace {

struct StackBounds {
  std::uintptr_t low = 0;  // the lowest usable address; stacks grow downwards
  std::size_t size = 0;
};

// Constant-initialised, so that reading it needs no guard of a dynamic
// initialisation.
thread_local StackBounds threadBounds;

[[gnu::noinline]] void ReadBounds(StackBounds* b) {
  pthread_attr_t attr;
  void* address = nullptr;
  std::size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstack(&attr, &address, &size);
    std::size_t guard = 0;
    pthread_attr_getguardsize(&attr, &guard);
    pthread_attr_destroy(&attr);
    b->low = reinterpret_cast<std::uintptr_t>(address) + guard;
  }
  b->size = size == 0 ? 1 : size;  // never asked again
  for (StackUse use : {StackUse::kCall, StackUse::kBlock, StackUse::kExpression}) {
    threadStackFloors[static_cast<int>(use)] = b->low + StackReserve(use, b->size);
  }
}

const StackBounds& Bounds() {
  if (threadBounds.size == 0) ReadBounds(&threadBounds);
  return threadBounds;
}

}  // namespace

bool RunOnThreadWithStack(std::size_t stackBytes, const std::function<void()>& work) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_attr_setstacksize(&attr, stackBytes);
  pthread_t thread;
  auto start = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  const bool started =
      pthread_create(&thread, &attr, start, const_cast<std::function<void()>*>(&work)) == 0;
  pthread_attr_destroy(&attr);
  if (started) pthread_join(thread, nullptr);
  return started;
}

StackRoom CurrentStackRoom() {
  const StackBounds& b = Bounds();
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  return {here > b.low ? here - b.low : 0, b.size};
}

std::uintptr_t ReadStackFloor(StackUse use) {
  Bounds();
  return threadStackFloors[static_cast<int>(use)];
}

}  // namespace zelk::os
