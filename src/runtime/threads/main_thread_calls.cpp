#include "runtime/threads/main_thread_calls.h"

#include <chrono>
#include <thread>

#include "runtime/core/debug_watch.h"

namespace zelk {

void MainThreadCalls::Run(const std::function<void()>& work, bool mayRunDirectly) {
  if (mayRunDirectly) {
    for (int tries = 0; tries < 2 && Busy(); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    if (Busy()) {
      work();
      return;
    }
  }
  Request request{&work};
  std::unique_lock lock(mutex_);
  queue_.push_back(&request);
  waiting_.fetch_add(1, std::memory_order_relaxed);
  // The main thread's row loop looks at the watch anyway.
  watch_.SetCallsWaiting(true);
  arrived_.notify_all();
  done_.wait(lock, [&] { return request.done; });
}

void MainThreadCalls::ServeWaiting() {
  std::unique_lock lock(mutex_);
  while (!queue_.empty()) {
    Request* request = queue_.front();
    queue_.pop_front();
    if (waiting_.fetch_sub(1, std::memory_order_relaxed) == 1) watch_.SetCallsWaiting(false);
    lock.unlock();
    // The waiting thread must not wait for ever on work that failed.
    try {
      (*request->work)();
    } catch (...) {
    }
    lock.lock();
    request->done = true;
    done_.notify_all();
  }
}

void MainThreadCalls::WaitForWork(int ms) {
  {
    std::unique_lock lock(mutex_);
    if (queue_.empty() && !notified_) {
      arrived_.wait_for(lock, std::chrono::milliseconds(ms),
                        [&] { return !queue_.empty() || notified_; });
    }
    notified_ = false;
  }
  Serve();
}

void MainThreadCalls::Notify() {
  std::lock_guard lock(mutex_);
  notified_ = true;
  arrived_.notify_all();
}

}  // namespace zelk
