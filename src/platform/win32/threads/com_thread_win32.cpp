#include <objbase.h>
#include <windows.h>

#include "platform/com_thread.h"

namespace zelk::os {
namespace {

// Whether this thread's initialisation took: only then is it undone.
thread_local bool joined = false;

}  // namespace

void BeginThreadCom() {
  joined = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

void EndThreadCom() {
  if (joined) CoUninitialize();
  joined = false;
}

}  // namespace zelk::os
