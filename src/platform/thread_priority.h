// The scheduling priority of the calling thread, for CTRLTRD: a script
// thread applies the level it was given at its next row.
#pragma once

namespace zelk::os {

enum class ThreadPriority { kIdle, kLowest, kBelowNormal, kNormal, kAboveNormal, kHighest };

// False when the system refused (POSIX lets an unprivileged thread lower its
// priority, not raise it above normal again).
bool SetCurrentThreadPriority(ThreadPriority level);

}  // namespace zelk::os
