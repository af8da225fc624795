// The debugger: a window with the script's files in editor tabs, the run
// controls, the variable views and the print window.
//
//   ZelkDebug [SCRIPT.zls [parameters]]   (one argument: name and parameters
//                                          together, as Explorer passes them)
#include <windows.h>

#include <string>
#include <vector>

#include "builtins/install.h"
#include "debugger_window/main/main_window.h"
#include "foundation/settings.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  using namespace zelk;
  SetupPaths();
  Interpreter interp;
  InstallBuiltins(interp);
  const std::vector<std::u16string> args = os::CommandLineArgs(0, nullptr);
  // Only the first argument counts: parameters come with it.
  const std::u16string script = args.size() >= 2 ? args[1] : u"";
  if (window::CreateMainWindow(interp, script, show, true) == nullptr) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window::PreviewKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
