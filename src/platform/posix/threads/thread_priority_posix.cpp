// Linux schedules each thread by its own nice value, set through its id.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/thread_priority.h"

namespace zelk::os {

bool SetCurrentThreadPriority(ThreadPriority level) {
  int nice = 0;
  switch (level) {
    case ThreadPriority::kIdle:
      nice = 19;
      break;
    case ThreadPriority::kLowest:
      nice = 10;
      break;
    case ThreadPriority::kBelowNormal:
      nice = 5;
      break;
    case ThreadPriority::kNormal:
      nice = 0;
      break;
    case ThreadPriority::kAboveNormal:
      nice = -5;
      break;
    case ThreadPriority::kHighest:
      nice = -10;
      break;
  }
  const auto id = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, id, nice) == 0;
}

}  // namespace zelk::os
