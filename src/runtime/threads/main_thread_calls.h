// Work a script thread hands to the run's main thread (the dialogs' windows
// live there): the script thread waits until the main thread has run it. The
// main thread runs waiting work at its next row, in its waits and pauses, and
// while it waits for the script threads at the end of a run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace zelk {

class DebugWatch;

class MainThreadCalls {
 public:
  explicit MainThreadCalls(DebugWatch& watch) : watch_(watch) {}

  // From a script thread: runs work on the main thread and returns when it
  // has run. Work that may run directly runs on the calling thread instead
  // when the main thread stays busy in automation for about half a second:
  // it serves nothing until that call returns, which may be never.
  void Run(const std::function<void()>& work, bool mayRunDirectly = false);
  // On the main thread: runs the work that waits, if any. One relaxed load
  // when nothing waits.
  void Serve() {
    if (waiting_.load(std::memory_order_relaxed) != 0) ServeWaiting();
  }
  // Waits on the main thread up to ms milliseconds for work or for Notify.
  void WaitForWork(int ms);
  // Ends a WaitForWork early (a script thread has finished).
  void Notify();

  // Set while the main thread is inside an automation call.
  class BusyScope {
   public:
    BusyScope(MainThreadCalls& calls, bool active) : calls_(active ? &calls : nullptr) {
      if (calls_) calls_->busy_.fetch_add(1, std::memory_order_relaxed);
    }
    ~BusyScope() {
      if (calls_) calls_->busy_.fetch_sub(1, std::memory_order_relaxed);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    MainThreadCalls* calls_;
  };
  bool Busy() const { return busy_.load(std::memory_order_relaxed) != 0; }

 private:
  struct Request {
    const std::function<void()>* work;
    bool done = false;
  };
  void ServeWaiting();

  DebugWatch& watch_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::condition_variable arrived_;
  std::deque<Request*> queue_;
  std::atomic<int> waiting_{0};
  std::atomic<int> busy_{0};
  bool notified_ = false;
};

}  // namespace zelk
