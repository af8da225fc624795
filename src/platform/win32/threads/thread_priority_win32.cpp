#include <windows.h>

#include "platform/thread_priority.h"

namespace zelk::os {

bool SetCurrentThreadPriority(ThreadPriority level) {
  int priority = THREAD_PRIORITY_NORMAL;
  switch (level) {
    case ThreadPriority::kIdle:
      priority = THREAD_PRIORITY_IDLE;
      break;
    case ThreadPriority::kLowest:
      priority = THREAD_PRIORITY_LOWEST;
      break;
    case ThreadPriority::kBelowNormal:
      priority = THREAD_PRIORITY_BELOW_NORMAL;
      break;
    case ThreadPriority::kNormal:
      priority = THREAD_PRIORITY_NORMAL;
      break;
    case ThreadPriority::kAboveNormal:
      priority = THREAD_PRIORITY_ABOVE_NORMAL;
      break;
    case ThreadPriority::kHighest:
      priority = THREAD_PRIORITY_HIGHEST;
      break;
  }
  return SetThreadPriority(GetCurrentThread(), priority) != 0;
}

}  // namespace zelk::os
