// The wake-up timer of scheduled runs: a thread that waits until the time
// (a POSIX host cannot be woken from suspend by the program).
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "platform/process.h"

namespace zelk::os {
namespace {

class PosixWakeTimer final : public WakeTimer {
 public:
  PosixWakeTimer(std::chrono::milliseconds wait, void (*callback)(void*), void* data) {
    thread_ = std::thread([this, wait, callback, data] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!changed_.wait_for(lock, wait, [this] { return cancelled_; })) {
        lock.unlock();
        callback(data);
      }
    });
  }
  ~PosixWakeTimer() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      cancelled_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool cancelled_ = false;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<WakeTimer> WakeAt(double localTime, void (*callback)(void*), void* data) {
  const double ms = (localTime - Now()) * 86400000.0;
  const auto wait = std::chrono::milliseconds(ms > 0 ? static_cast<long long>(ms) : 0);
  return std::make_unique<PosixWakeTimer>(wait, callback, data);
}

}  // namespace zelk::os
