// A POSIX host's power state is not the program's to change: the control
// says so, and its actions do nothing.
#include "platform/power.h"

namespace zelk::os {
namespace {

class NoPower final : public PowerControl {
 public:
  bool Available() override { return false; }
  void EnableShutdownPrivilege() override {}
  void Suspend(bool, bool) override {}
  void SetMonitor(MonitorPower) override {}
  void StartScreenSaver() override {}
  void EndSession(unsigned) override {}
};

NoPower none;
PowerControl* installed = nullptr;

}  // namespace

PowerControl& Power() {
  return installed ? *installed : none;
}

PowerControl* SetPowerControl(PowerControl* control) {
  PowerControl* before = installed;
  installed = control;
  return before;
}

}  // namespace zelk::os
