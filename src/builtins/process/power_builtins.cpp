// POFF, the machine's power state, and CPUUSERATE. Every action goes through
// the platform's power control, which tests replace.
#include <atomic>
#include <mutex>

#include "builtins/process/process_functions.h"
#include "builtins/process/restart_request.h"
#include "platform/power.h"
#include "platform/process.h"
#include "runtime/control/blocks.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

// POFF modes as scripts give them (P_FORCE ... P_ZELK_REEXEC).
enum : std::int64_t {
  kForce = 8,
  kPowerOff = 16,
  kShutdown = 32,
  kReboot = 64,
  kLogOff = 128,
  kSuspend = 256,
  kSuspend2 = 512,
  kMonitorPower = 1024,
  kMonitorPower2 = 2048,
  kMonitorPower3 = 4096,
  kScreenSave = 8192,
  kZelkReexec = 16384,
};

std::atomic<const Interpreter*> restartRequested{nullptr};

// Ends the run as EXITEXIT does, the FINALLY parts first under OPTFINALLY.
void EndRun(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  if (interp.options.optFinally) RunFinallyParts(context);
  interp.run.exitExitFlag = true;
  interp.run.abortLevel = 1;
  context.exitFlag = 1;
}

void Pump(int passes) {
  for (int i = 0; i < passes; ++i) os::ProcessMessages();
}

void Suspend(os::PowerControl& power, bool sleep, bool force) {
  Pump(50);
  power.Suspend(sleep, force);
  for (int i = 0; i < 6; ++i) {
    os::SleepMs(20);
    Pump(20);
  }
}

unsigned ExitFlagsOf(std::int64_t mode) {
  unsigned flags = 0;
  if (mode & kForce) flags |= os::kExitForce;
  if (mode & kPowerOff) flags |= os::kExitPowerOff | os::kExitShutdown;
  if (mode & kShutdown) flags |= os::kExitShutdown;
  if (mode & kReboot) flags |= os::kExitReboot;
  return flags;
}

std::mutex cpuLock;
os::CpuUsage cpuUsage;

}  // namespace

void RequestRestart(const Interpreter& interp) {
  restartRequested = &interp;
}

bool TakeRestartRequest(const Interpreter& interp) {
  const Interpreter* expected = &interp;
  return restartRequested.compare_exchange_strong(expected, nullptr);
}

void BuiltinPoff(BuiltinCall& call) {
  std::int64_t mode = call.args.whole[0];
  const bool restart = call.args.whole[1] != 0;
  os::PowerControl& power = os::Power();
  if (!(mode &
        (kSuspend | kSuspend2 | kMonitorPower | kMonitorPower2 | kMonitorPower3 | kScreenSave)) &&
      (mode & kZelkReexec)) {
    EndRun(call.context);
    if (restart) RequestRestart(*call.context.interp);
    return;
  }
  if (!power.Available()) {
    FailNotOnThisPlatform(call, u"POFF");
    return;
  }
  power.EnableShutdownPrivilege();
  const bool force = (mode & kForce) != 0;
  if (mode & kSuspend) {
    Suspend(power, false, force);
  } else if (mode & kSuspend2) {
    Suspend(power, true, force);
  } else if (mode & kMonitorPower) {
    power.SetMonitor(os::MonitorPower::kLow);
  } else if (mode & kMonitorPower2) {
    power.SetMonitor(os::MonitorPower::kOff);
  } else if (mode & kMonitorPower3) {
    power.SetMonitor(os::MonitorPower::kOn);
  } else if (mode & kScreenSave) {
    power.StartScreenSaver();
  } else {
    if (mode == 0) mode = kPowerOff;
    const unsigned flags = ExitFlagsOf(mode);
    if (flags == 0 && !(mode & kLogOff)) return;
    EndRun(call.context);
    power.EndSession(flags);
  }
}

void BuiltinCpuUseRate(BuiltinCall& call) {
  std::lock_guard<std::mutex> guard(cpuLock);
  call.result = Value::Int(cpuUsage.Sample());
}

}  // namespace zelk
