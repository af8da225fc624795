// The machine's power state through the Windows calls that change it.
#include <windows.h>

#include "platform/power.h"

namespace zelk::os {
namespace {

class MachinePower final : public PowerControl {
 public:
  bool Available() override { return true; }
  void EnableShutdownPrivilege() override {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      return;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
  }
  void Suspend(bool sleep, bool force) override {
    SetSystemPowerState(sleep ? TRUE : FALSE, force ? TRUE : FALSE);
  }
  void SetMonitor(MonitorPower power) override {
    const LPARAM state = power == MonitorPower::kLow ? 1 : power == MonitorPower::kOff ? 2 : -1;
    PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, state);
    if (power == MonitorPower::kOn) SetThreadExecutionState(ES_DISPLAY_REQUIRED);
  }
  void StartScreenSaver() override {
    PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  }
  void EndSession(unsigned flags) override { ExitWindowsEx(flags, 0); }
};

MachinePower machine;
PowerControl* installed = nullptr;

}  // namespace

PowerControl& Power() {
  return installed ? *installed : machine;
}

PowerControl* SetPowerControl(PowerControl* control) {
  PowerControl* before = installed;
  installed = control;
  return before;
}

}  // namespace zelk::os
