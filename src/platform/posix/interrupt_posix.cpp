#include <signal.h>

#include <atomic>

#include "platform/platform.h"

namespace zelk::os {
namespace {

std::atomic<void (*)()> interruptHandler{nullptr};

extern "C" void OnSigint(int) {
  void (*handler)() = interruptHandler.load();
  if (handler) handler();
}

}  // namespace

void OnInterrupt(void (*handler)()) {
  interruptHandler = handler;
  struct sigaction action {};
  action.sa_handler = &OnSigint;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes go on; a second Ctrl+C takes the default
  // action, which ends the program.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace zelk::os
