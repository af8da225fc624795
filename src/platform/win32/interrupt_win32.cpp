#include <windows.h>

#include <atomic>

#include "platform/platform.h"

namespace zelk::os {
namespace {

std::atomic<void (*)()> interruptHandler{nullptr};
std::atomic<bool> interrupted{false};

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  void (*handler)() = interruptHandler.load();
  // A second Ctrl+C goes to the default handler, which ends the program.
  if (!handler || interrupted.exchange(true)) return FALSE;
  handler();
  return TRUE;
}

}  // namespace

void OnInterrupt(void (*handler)()) {
  interruptHandler = handler;
  interrupted = false;
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

}  // namespace zelk::os
