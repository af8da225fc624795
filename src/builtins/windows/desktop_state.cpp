#include "builtins/windows/desktop_state.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include "builtins/input/send_key.h"
#include "platform/input.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

bool RunEnded(const Interpreter& interp) {
  return interp.run.abortLevel.load() > 0 || interp.run.runState.load() == kRunIdle;
}

}  // namespace

DesktopState::DesktopState(Interpreter& owner) : interp(owner) {}

DesktopState::~DesktopState() {
  {
    std::lock_guard<std::mutex> guard(watchMutex_);
    quitting_ = true;
  }
  watchWake_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  ReleaseInputs();
}

int DesktopState::IdOf(os::WindowHandle window) {
  if (window == 0) return -1;
  std::lock_guard<std::recursive_mutex> guard(idLock);
  const auto at = std::find(ids.begin(), ids.end(), window);
  if (at != ids.end()) return static_cast<int>(at - ids.begin()) + 1;
  ids.push_back(window);
  return static_cast<int>(ids.size());
}

os::WindowHandle DesktopState::HandleOf(std::int64_t id) {
  os::WindowHandle window = 0;
  if (id == 0) {
    window = os::ForegroundWindow();
  } else {
    std::lock_guard<std::recursive_mutex> guard(idLock);
    if (id < 0 || id > static_cast<std::int64_t>(ids.size())) return 0;
    window = ids[static_cast<std::size_t>(id - 1)];
  }
  return os::IsWindowAlive(window) ? window : 0;
}

void DesktopState::Hold(const HeldInput& input) {
  std::lock_guard<std::recursive_mutex> guard(inputLock);
  held.push_back(input);
  WatchRun();
}

void DesktopState::Unhold(const HeldInput& input) {
  std::lock_guard<std::recursive_mutex> guard(inputLock);
  const auto at = std::find_if(held.begin(), held.end(), [&](const HeldInput& h) {
    return h.key == input.key && h.code == input.code && h.window == input.window;
  });
  if (at != held.end()) held.erase(at);
}

void DesktopState::ReleaseInputs() {
  std::lock_guard<std::recursive_mutex> guard(inputLock);
  // The last press first, as a user's fingers would let go.
  while (!held.empty()) {
    const HeldInput input = held.back();
    held.pop_back();
    ReleaseHeld(input);
  }
  for (int& modifier : virtualModifiers) modifier = 0;
  for (bool& button : virtualButtons) button = false;
  touchContacts = 0;
  if (lockMode == 1) os::BlockAllInput(false);
  if (lockMode == 2) os::StopInputHooks();
  lockMode = 0;
  if (latchStarted) os::StopButtonLatch();
  latchStarted = false;
}

void DesktopState::WatchRun() {
  std::lock_guard<std::mutex> guard(watchMutex_);
  if (quitting_ || watcher_.joinable()) {
    watchWake_.notify_all();
    return;
  }
  watcher_ = std::thread([this] { Watch(); });
}

void DesktopState::Watch() {
  std::unique_lock<std::mutex> lock(watchMutex_);
  while (!quitting_) {
    watchWake_.wait_for(lock, std::chrono::milliseconds(20));
    if (quitting_ || !RunEnded(interp)) continue;
    lock.unlock();
    ReleaseInputs();
    lock.lock();
  }
}

void DesktopState::ResetForRun() {
  ReleaseInputs();
  {
    std::lock_guard<std::recursive_mutex> guard(idLock);
    ids.clear();
  }
  std::lock_guard<std::recursive_mutex> guard(inputLock);
  for (std::size_t slot = 0; slot < hotKeys.size(); ++slot) {
    if (!hotKeys[slot].procedure.empty()) os::UnregisterScriptHotKey(static_cast<int>(slot));
  }
  hotKeys.clear();
}

DesktopState& DesktopOf(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  static std::mutex registryLock;
  // The interpreter's preprocessor keeps the state alive through its reset
  // hook, so the state goes with the interpreter; an expired entry is a gone one.
  static std::vector<std::pair<Interpreter*, std::weak_ptr<DesktopState>>> registry;
  std::lock_guard<std::mutex> guard(registryLock);
  for (auto& [owner, state] : registry) {
    if (owner != &interp) continue;
    if (std::shared_ptr<DesktopState> live = state.lock()) return *live;
  }
  std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
  auto state = std::make_shared<DesktopState>(interp);
  interp.preprocessor.AddResetHook([state] { state->ResetForRun(); });
  registry.emplace_back(&interp, state);
  return *state;
}

}  // namespace zelk
