#include "runtime/threads/script_threads.h"

#include <chrono>
#include <string>

#include "foundation/messages.h"
#include "platform/com_thread.h"
#include "platform/platform.h"
#include "runtime/control/body_runner.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {
namespace {

// How long a starter waits for its thread to begin before going on anyway.
constexpr auto kStartWait = std::chrono::seconds(10);

std::u16string TooManyMessage() {
  return Msg(u"Error: It exceeded maximum Thread number =64",
             u"Error: 最大スレッド数=64 を超えました");
}

// The thread's record starts as a copy of its starter's: the kind codes the
// starter has refined so far; the caches fill afresh.
void PrepareRecord(ThreadRecord& record, const ThreadRecord& from) {
  record.kinds = from.kinds;
  record.splits = from.splits;
  record.tokens.clear();
  record.tokens.resize(from.tokens.size());
  record.comErrIgnore = 0;
  record.comErrFlag = 0;
}

// A slot may be freed: its thread has ended and its starter has the number.
bool Done(const ScriptThread& thread) {
  return thread.finished.load(std::memory_order_acquire) &&
         thread.handedOver.load(std::memory_order_acquire);
}

}  // namespace

ScriptThreads::~ScriptThreads() {
  // A run always waits for its threads; this only guards against a thread
  // outliving the interpreter after a failure.
  for (auto& slot : slots_) {
    if (slot && slot->thread.joinable()) {
      slot->control = kThreadQuit;
      slot->thread.join();
    }
  }
}

void ScriptThreads::FreeFinished() {
  std::lock_guard lock(tableLock_);
  for (auto& slot : slots_) {
    if (slot && Done(*slot)) {
      if (slot->thread.joinable()) slot->thread.join();
      slot.reset();
    }
  }
}

int ScriptThreads::Start(std::unique_ptr<THensuFmt> prepared, THensuFmt& caller) {
  ScriptThread* thread = nullptr;
  bool noThread = false;  // the system refused a thread
  {
    std::lock_guard lock(tableLock_);
    int chosen = -1;
    for (int n = 0; n < kMaxScriptThreads; ++n) {
      auto& slot = slots_[n];
      if (slot && Done(*slot)) {
        if (slot->thread.joinable()) slot->thread.join();
        slot.reset();
      }
      if (!slot) {
        chosen = n;
        break;
      }
    }
    // Reports come after the lock is let go: they may wait for the user.
    if (chosen >= 0) {
      auto created = std::make_unique<ScriptThread>();
      created->number = chosen;
      THensuFmt& context = *prepared;
      context.threadNumber = chosen;
      context.recordIndex = static_cast<std::uint8_t>(chosen + 1);
      // Nothing of the starter's call chain is the thread's.
      context.caller = nullptr;
      context.callDepth = 0;
      context.tryDepth = 0;
      PrepareRecord(interp_.records[chosen + 1], interp_.RecordOf(caller));
      created->context = std::move(prepared);
      thread = created.get();
      slots_[chosen] = std::move(created);
      // From here on the main thread locks the global tables.
      interp_.scriptThreadsRunning.fetch_add(1, std::memory_order_acq_rel);
      try {
        thread->thread = std::thread([this, thread] { RunThread(*thread); });
      } catch (const std::system_error&) {
        interp_.scriptThreadsRunning.fetch_sub(1, std::memory_order_acq_rel);
        slots_[chosen].reset();
        thread = nullptr;
        noThread = true;
      }
    }
  }
  if (thread == nullptr) {
    ReportError(noThread ? std::u16string(
                               Msg(u"The thread could not be started", u"スレッドを開始できません"))
                         : TooManyMessage(),
                caller);
    return -1;
  }
  std::unique_lock lock(startedMutex_);
  startedCv_.wait_for(lock, kStartWait, [&] { return thread->started.load(); });
  const int number = thread->number;
  thread->handedOver.store(true, std::memory_order_release);
  return number;
}

void ScriptThreads::RunThread(ScriptThread& thread) {
  os::BeginThreadCom();
  {
    std::lock_guard lock(startedMutex_);
    thread.started = true;
  }
  startedCv_.notify_all();
  const int record = thread.number + 1;
  interp_.host().ThreadStarted(record);
  try {
    RunBody(*thread.context);
  } catch (...) {
    // The executor reports what a row raises; nothing may end the program.
  }
  interp_.host().ThreadEnded(record);
  // Its tables go before the main thread may touch the globals unlocked.
  thread.context.reset();
  // Its objects are gone with its tables.
  os::EndThreadCom();
  interp_.scriptThreadsRunning.fetch_sub(1, std::memory_order_acq_rel);
  thread.finished.store(true, std::memory_order_release);
  interp_.mainCalls.Notify();
}

void ScriptThreads::Control(int number, int command) {
  if (number < 0 || number >= kMaxScriptThreads) return;
  std::lock_guard lock(tableLock_);
  ScriptThread* thread = slots_[number].get();
  if (thread == nullptr || thread->finished.load(std::memory_order_acquire)) return;
  switch (command) {
    case kTrdSuspend:
      thread->control = kThreadSuspend;
      break;
    case kTrdQuit:
      thread->control = kThreadQuit;
      break;
    case kTrdResume:
      thread->control = kThreadRun;
      break;
    default:
      if (command >= kTrdIdle && command <= kTrdHighest) thread->priority = command;
      break;
  }
}

bool ScriptThreads::AnyRunning() {
  std::lock_guard lock(tableLock_);
  for (const auto& slot : slots_) {
    if (slot && !slot->finished.load(std::memory_order_acquire)) return true;
  }
  return false;
}

void ScriptThreads::WaitForAll() {
  for (;;) {
    FreeFinished();
    {
      std::lock_guard lock(tableLock_);
      bool any = false;
      for (const auto& slot : slots_) any = any || slot != nullptr;
      if (!any) return;
    }
    // Threads may wait for the main thread (a dialog) before they can end.
    interp_.mainCalls.WaitForWork(20);
    os::ProcessMessages();
  }
}

}  // namespace zelk
