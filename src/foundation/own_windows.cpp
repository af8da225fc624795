#include "foundation/own_windows.h"

#include <algorithm>
#include <mutex>

namespace zelk {
namespace {

// Script threads ask while the main thread adds and removes.
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::vector<OwnWindow>& Windows() {
  static std::vector<OwnWindow> windows;
  return windows;
}

}  // namespace

void AddOwnWindow(OwnWindowRole role, std::uintptr_t handle, std::u16string_view title,
                  int thread) {
  if (handle == 0) return;
  std::lock_guard<std::mutex> hold(Lock());
  for (OwnWindow& w : Windows()) {
    if (w.handle == handle) {
      w.role = role;
      w.title.assign(title);
      w.thread = thread;
      return;
    }
  }
  Windows().push_back({role, handle, std::u16string(title), thread});
}

void RemoveOwnWindow(std::uintptr_t handle) {
  std::lock_guard<std::mutex> hold(Lock());
  auto& windows = Windows();
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [&](const OwnWindow& w) { return w.handle == handle; }),
                windows.end());
}

bool IsOwnWindow(std::uintptr_t handle) {
  std::lock_guard<std::mutex> hold(Lock());
  for (const OwnWindow& w : Windows()) {
    if (w.handle == handle) return true;
  }
  return false;
}

bool OwnWindowTitle(std::uintptr_t handle, std::u16string* title) {
  std::lock_guard<std::mutex> hold(Lock());
  for (const OwnWindow& w : Windows()) {
    if (w.handle == handle) {
      *title = w.title;
      return true;
    }
  }
  return false;
}

std::uintptr_t FindOwnWindow(OwnWindowRole role, int thread) {
  std::lock_guard<std::mutex> hold(Lock());
  std::uintptr_t mainThreads = 0, any = 0;
  for (const OwnWindow& w : Windows()) {
    if (w.role != role) continue;
    if (role != OwnWindowRole::kBalloon || w.thread == thread) return w.handle;
    if (w.thread == 0 && mainThreads == 0) mainThreads = w.handle;
    if (any == 0) any = w.handle;
  }
  return mainThreads ? mainThreads : any;
}

std::vector<OwnWindow> OwnWindows() {
  std::lock_guard<std::mutex> hold(Lock());
  return Windows();
}

}  // namespace zelk
