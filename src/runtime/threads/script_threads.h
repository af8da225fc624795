// The script threads of a run (THREAD): 64 slots, each empty or holding a
// thread that runs one user routine in a context of its own. A finished
// thread keeps its slot until the next start or the end of the run frees it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "runtime/core/context.h"

namespace zelk {

class Interpreter;

inline constexpr int kMaxScriptThreads = 64;

// The control word of a thread (CTRLTRD).
enum ThreadControl : int { kThreadRun = 0, kThreadSuspend = 1, kThreadQuit = 2 };

// CTRLTRD's commands.
enum ThreadCommand : int {
  kTrdSuspend = 1,
  kTrdQuit = 2,
  kTrdResume = 3,
  kTrdIdle = 10,
  kTrdHighest = 15,
};

struct ScriptThread {
  std::unique_ptr<THensuFmt> context;
  int number = 0;
  std::atomic<bool> started{false};
  std::atomic<bool> finished{false};
  // The starter has taken the number: until then the slot is not freed, even
  // when the thread has already ended.
  std::atomic<bool> handedOver{false};
  std::atomic<int> control{kThreadRun};
  // A priority command (kTrdIdle..kTrdHighest) the thread takes at its next
  // row; 0 for none.
  std::atomic<int> priority{0};
  std::thread thread;
};

class ScriptThreads {
 public:
  explicit ScriptThreads(Interpreter& interp) : interp_(interp) {}
  ~ScriptThreads();
  ScriptThreads(const ScriptThreads&) = delete;
  ScriptThreads& operator=(const ScriptThreads&) = delete;

  // Starts the prepared context (parameters bound) as a thread; its number,
  // or -1 after reporting that all 64 slots are taken.
  int Start(std::unique_ptr<THensuFmt> prepared, THensuFmt& caller);
  // CTRLTRD: a number without a live thread, or an unknown command, does nothing.
  void Control(int number, int command);
  // The slot a script thread's context runs in; only that thread asks, and
  // its slot does not change while it runs. Null when there is none.
  ScriptThread* Own(const THensuFmt& context) const {
    const int n = context.threadNumber;
    if (context.recordIndex == 0 || n < 0 || n >= kMaxScriptThreads) return nullptr;
    return slots_[n].get();
  }
  // End of a run, on the main thread once the abort level is raised: frees
  // the finished threads and waits, running main-thread calls and window
  // messages, until every slot is empty.
  void WaitForAll();
  // Whether any slot holds a thread that has not finished.
  bool AnyRunning();

 private:
  void RunThread(ScriptThread& thread);
  void FreeFinished();

  Interpreter& interp_;
  // Slots change only under this lock (ThreadTableLock).
  std::recursive_mutex tableLock_;
  std::unique_ptr<ScriptThread> slots_[kMaxScriptThreads];
  std::mutex startedMutex_;
  std::condition_variable startedCv_;
};

}  // namespace zelk
