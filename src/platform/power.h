// The machine's power state: suspend, the monitor, the screen saver, log-off,
// shut-down and restart. Everything goes through one replaceable control, so
// that tests record requests instead of acting on the machine they run on.
#pragma once

namespace zelk::os {

// ExitWindows flags, with the values Windows gives them.
enum ExitFlags : unsigned {
  kExitLogOff = 0,
  kExitShutdown = 1,
  kExitReboot = 2,
  kExitForce = 4,
  kExitPowerOff = 8,
};

enum class MonitorPower { kLow, kOff, kOn };

class PowerControl {
 public:
  virtual ~PowerControl() = default;
  // False where the program does not govern the machine's power (POSIX).
  virtual bool Available() = 0;
  // Asks for the right to shut the machine down; harmless when refused.
  virtual void EnableShutdownPrivilege() = 0;
  // sleep false: hibernate; true: sleep.
  virtual void Suspend(bool sleep, bool force) = 0;
  virtual void SetMonitor(MonitorPower power) = 0;
  virtual void StartScreenSaver() = 0;
  virtual void EndSession(unsigned flags) = 0;
};

// The control in use: the machine's own unless a test installed another.
PowerControl& Power();
// Installs control (null: the machine's own again); returns the one before.
PowerControl* SetPowerControl(PowerControl* control);

}  // namespace zelk::os
