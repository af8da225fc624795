// The wake-up timer of scheduled runs: a waitable timer set to resume the
// machine, waited for on a thread of its own.
#include <windows.h>

#include <thread>

#include "platform/process.h"

namespace zelk::os {
namespace {

// Days from 1601-01-01 (file times) to 1899-12-30 (date-time values).
constexpr double kDaysTo1899 = 109205.0;
constexpr double kTicksPerDay = 864000000000.0;

class WinWakeTimer final : public WakeTimer {
 public:
  WinWakeTimer(HANDLE timer, void (*callback)(void*), void* data)
      : timer_(timer), cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, callback, data] {
      HANDLE handles[2] = {timer_, cancel_};
      if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) callback(data);
    });
  }
  ~WinWakeTimer() override {
    SetEvent(cancel_);
    thread_.join();
    CancelWaitableTimer(timer_);
    CloseHandle(timer_);
    CloseHandle(cancel_);
  }

 private:
  HANDLE timer_;
  HANDLE cancel_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<WakeTimer> WakeAt(double localTime, void (*callback)(void*), void* data) {
  const double ticks = (localTime + kDaysTo1899) * kTicksPerDay;
  if (!(ticks > 0)) return nullptr;
  const ULONGLONG whole = static_cast<ULONGLONG>(ticks);
  FILETIME local{static_cast<DWORD>(whole), static_cast<DWORD>(whole >> 32)}, utc;
  if (!LocalFileTimeToFileTime(&local, &utc)) return nullptr;
  LARGE_INTEGER due;
  due.LowPart = utc.dwLowDateTime;
  due.HighPart = static_cast<LONG>(utc.dwHighDateTime);
  HANDLE timer = CreateWaitableTimerW(nullptr, TRUE, nullptr);
  if (!timer) return nullptr;
  if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, TRUE) &&
      !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
    // Without the right to resume the machine it still wakes the program.
    CloseHandle(timer);
    return nullptr;
  }
  return std::make_unique<WinWakeTimer>(timer, callback, data);
}

}  // namespace zelk::os
