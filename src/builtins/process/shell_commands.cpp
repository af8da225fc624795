// DOSCMD and POWERSHELL: a command line run by the shell, its output
// captured when it runs hidden and is waited for.
#include <memory>
#include <string>

#include "builtins/process/process_functions.h"
#include "builtins/process/script_pump.h"
#include "builtins/process/shell_text.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace zelk {
namespace {

constexpr int kSliceMs = 20;

// Waits for the command, at most limitMs (0: no limit), ending early on a
// stop request; true once it has ended.
bool WaitForCommand(os::Command& command, int limitMs, const THensuFmt& context) {
  for (int waited = 0;;) {
    int slice = kSliceMs;
    if (limitMs > 0) {
      if (waited >= limitMs) return false;
      slice = limitMs - waited < kSliceMs ? limitMs - waited : kSliceMs;
    }
    if (command.WaitEnded(slice)) return true;
    waited += slice;
    if (WaitAbandoned(context)) return false;
    ScriptPump(1, context);
  }
}

int WholeArgument(const BuiltinArgs& a, int position) {
  const std::int64_t n = a.whole[static_cast<std::size_t>(position)];
  return n > 0x7FFFFFFF ? 0x7FFFFFFF : n < 0 ? 0 : static_cast<int>(n);
}

}  // namespace

void BuiltinDoscmd(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const int waitMs = WholeArgument(a, 1);
  const bool show = a.whole[2] != 0;
  const bool unicode = (a.whole[3] & 1) != 0;
  const bool exitCode = (a.whole[3] & 2) != 0;
  const bool capture = waitMs == 0 && !show;
  const bool cmd = os::CommandShell() == os::Shell::kCmd;

  os::CommandStart start;
  if (cmd) {
    start.commandLine = (unicode ? u"CMD /U/C " : u"CMD /C ") + CmdCommandText(a.text[0]);
  } else {
    start.commandLine = PosixShellText(a.text[0]);
  }
  start.window = show ? os::WindowMode::kNormal : os::WindowMode::kHidden;
  start.capture = capture;
  std::unique_ptr<os::Command> command = os::StartCommand(start);
  if (!command) return;  // nothing captured
  const bool ended = WaitForCommand(*command, waitMs, call.context);
  if (!capture) return;
  if (!ended) {
    // Stopped: a hidden command nobody reads from would run on unseen.
    command->End();
    return;
  }
  if (exitCode) {
    call.result = Value::Int(command->ExitCode());
    return;
  }
  const std::string bytes = command->TakeOutput();
  call.result = Value::String(cmd ? CmdOutputText(bytes, unicode) : PosixOutputText(bytes));
}

void BuiltinPowershell(BuiltinCall& call) {
  if (os::CommandShell() != os::Shell::kCmd) {
    FailNotOnThisPlatform(call, u"POWERSHELL");
    return;
  }
  const BuiltinArgs& a = call.args;
  const bool noWait = a.whole[1] != 0;
  const std::int64_t windowMode = a.whole[2];
  const bool capture = !noWait && windowMode == 0;
  const bool utf8Output = capture && (a.whole[3] & 2) != 0;

  os::CommandStart start;
  start.commandLine = PowershellCommandLine(a.text[0], (a.whole[3] & 1) != 0, utf8Output);
  start.window = windowMode == 0   ? os::WindowMode::kHidden
                 : windowMode == 2 ? os::WindowMode::kMinimized
                                   : os::WindowMode::kNormal;
  start.capture = capture;
  std::unique_ptr<os::Command> command = os::StartCommand(start);
  if (!command) return;
  if (noWait) return;
  const bool ended = WaitForCommand(*command, 0, call.context);
  if (!capture) return;
  if (!ended) {
    command->End();
    return;
  }
  call.result = Value::String(PowershellOutputText(command->TakeOutput(), utf8Output));
}

}  // namespace zelk
