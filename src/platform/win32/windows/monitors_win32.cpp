// Monitors in script order: the primary first, the rest as the system lists them.
#include <windows.h>

#include <vector>

#include "platform/windowing.h"

namespace zelk::os {
namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  reinterpret_cast<std::vector<HMONITOR>*>(data)->push_back(monitor);
  return TRUE;
}

// System order with the primary moved to the front: the ones before it shift up by one.
std::vector<HMONITOR> ScriptOrder() {
  std::vector<HMONITOR> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitors[i], &info) && (info.dwFlags & MONITORINFOF_PRIMARY)) {
      HMONITOR primary = monitors[i];
      monitors.erase(monitors.begin() + static_cast<std::ptrdiff_t>(i));
      monitors.insert(monitors.begin(), primary);
      break;
    }
  }
  return monitors;
}

}  // namespace

int MonitorCount() {
  return static_cast<int>(ScriptOrder().size());
}

bool MonitorAt(int number, MonitorFacts* facts) {
  const std::vector<HMONITOR> monitors = ScriptOrder();
  if (number < 0 || number >= static_cast<int>(monitors.size())) return false;
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitors[static_cast<std::size_t>(number)], &info)) return false;
  const RECT& r = info.rcMonitor;
  facts->bounds = ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  facts->primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
  DISPLAY_DEVICEW device{};
  device.cb = sizeof device;
  facts->name.clear();
  if (EnumDisplayDevicesW(info.szDevice, 0, &device, 0) ||
      EnumDisplayDevicesW(nullptr, static_cast<DWORD>(number), &device, 0)) {
    facts->name.assign(reinterpret_cast<const char16_t*>(device.DeviceString));
  }
  return true;
}

int MonitorOfWindow(WindowHandle window) {
  HMONITOR monitor = MonitorFromWindow(reinterpret_cast<HWND>(window), MONITOR_DEFAULTTONEAREST);
  const std::vector<HMONITOR> monitors = ScriptOrder();
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (monitors[i] == monitor) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace zelk::os
