#include "foundation/messages.h"

#include <atomic>

namespace zelk {
namespace {

// Set once at start-up, read by every thread afterwards.
std::atomic<bool> japanese{false};

}  // namespace

bool JapaneseMessages() {
  return japanese.load(std::memory_order_relaxed);
}

void SetJapaneseMessages(bool on) {
  japanese.store(on, std::memory_order_relaxed);
}

}  // namespace zelk
