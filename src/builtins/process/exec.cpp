// EXEC: starts a program, and either waits for its end or finds its window.
#include <cstdio>
#include <string>

#include "base/text_scan.h"
#include "builtins/builtins.h"
#include "builtins/process/process_functions.h"
#include "builtins/process/script_pump.h"
#include "builtins/windows/window_ids.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace zelk {
namespace {

// Programs whose window is found as the foreground window rather than as a
// window of the new process: the shell (which hands the window to a running
// one), control-panel items and old help files.
enum class ProgramKind { kOrdinary, kExplorer, kControlPanel, kHelp };

std::u16string WithoutQuotes(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c != u'"') out += c;
  }
  return out;
}

std::size_t LastSeparator(std::u16string_view text) {
  return text.find_last_of(u"\\/");
}

// The folder of the program named in the command, when it exists.
std::u16string WorkingFolder(std::u16string_view command) {
  const std::size_t dot = command.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  std::u16string head = WithoutQuotes(command.substr(0, dot));
  const std::size_t separator = LastSeparator(head);
  if (separator == std::u16string::npos) return {};
  head.resize(separator + 1);
  // "C:\" stays a root; other folders lose their separator.
  if (head.size() > 1 && !(head.size() == 3 && head[1] == u':')) head.pop_back();
  return os::FolderExists(head) ? head : std::u16string();
}

ProgramKind KindOf(std::u16string_view command) {
  const std::size_t dot = command.rfind(u'.');
  const std::u16string extension =
      dot == std::u16string_view::npos ? std::u16string() : UpperAscii(command.substr(dot, 4));
  if (extension == u".CPL") return ProgramKind::kControlPanel;
  if (extension == u".HLP") return ProgramKind::kHelp;
  std::u16string name = WithoutQuotes(command.substr(0, dot));
  const std::size_t separator = LastSeparator(name);
  if (separator != std::u16string::npos) name.erase(0, separator + 1);
  const std::size_t nameDot = name.rfind(u'.');
  if (nameDot != std::u16string::npos) name.resize(nameDot);
  name = UpperAscii(name);
  name = name.substr(0, name.find(u' '));
  return name == u"EXPLORER" ? ProgramKind::kExplorer : ProgramKind::kOrdinary;
}

bool AcceptedForeground(ProgramKind kind, const std::u16string& className) {
  switch (kind) {
    case ProgramKind::kExplorer:
      return className == u"EXPLOREWCLASS" || className == u"IEFRAME" ||
             className == u"CABINETWCLASS";
    case ProgramKind::kControlPanel:
      return className == u"RUNDLL" || className == u"#32770" || className == u"CABINETWCLASS";
    case ProgramKind::kHelp:
      return className == u"MS_WINDOC";
    default:
      return false;
  }
}

// The started program's window, 0 when none showed up.
std::uintptr_t FindProgramWindow(os::Program& program, ProgramKind kind, const THensuFmt& context) {
  if (!os::HasWindows()) return 0;
  std::uintptr_t window = 0;
  if (kind == ProgramKind::kOrdinary) {
    for (int tries = 0; tries < 51 && !WaitAbandoned(context); ++tries) {
      bool visible = false;
      window = program.ProgramWindow(&visible);
      if (window && visible) return window;
      os::SleepMs(20);
      ScriptPump(10, context);
    }
    return window;
  }
  for (int tries = 0; tries < 7 && !WaitAbandoned(context); ++tries) {
    ScriptPause(3, context);
    std::u16string className;
    const std::uintptr_t foreground = os::ForegroundWindow(&className);
    if (foreground && AcceptedForeground(kind, className)) {
      window = foreground;
      break;
    }
  }
  if (kind == ProgramKind::kControlPanel) {
    os::SleepMs(20);
    ScriptPump(20, context);
  }
  return window;
}

void Place(std::uintptr_t window, const os::StartPlacement& placement) {
  const bool move = placement.x != -1 || placement.y != -1;
  const bool size = placement.width >= 1 && placement.height >= 1;
  if (window && (move || size)) {
    os::PlaceWindow(window, placement.x, placement.y, placement.width, placement.height, move,
                    size);
  }
}

// Waits until the program waits for input: at most limitMs (-1 no limit), in
// slices so that a stop request ends the wait.
void WaitIdle(os::Program& program, int limitMs, const THensuFmt& context) {
  for (int waited = 0; limitMs < 0 || waited < limitMs; waited += 20) {
    if (program.WaitIdle(20) || WaitAbandoned(context)) return;
    ScriptPump(1, context);
  }
}

// The script's window ID of a window, through HNDTOID.
Value WindowIdOf(std::uintptr_t window, THensuFmt& context) {
  char digits[24];
  const int length =
      std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(window));
  const std::u16string text(digits, digits + length);
  bool failed = false;
  Value id = CallBuiltin(FindBuiltin(u"HNDTOID"), text, context, &failed);
  return failed ? Value::Int(-1) : id;
}

int PlacementArgument(const BuiltinArgs& a, int position) {
  if (position >= a.count || !a.numeric[static_cast<std::size_t>(position)]) return -1;
  return static_cast<int>(a.whole[static_cast<std::size_t>(position)]);
}

}  // namespace

void BuiltinExec(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  call.result = Value::Int(-1);
  const std::u16string command = Trim(a.text[0]);
  if (command.empty()) return;
  const bool wait = a.whole[1] != 0;
  os::StartPlacement placement;
  placement.x = PlacementArgument(a, 2);
  placement.y = PlacementArgument(a, 3);
  placement.width = PlacementArgument(a, 4);
  placement.height = PlacementArgument(a, 5);
  if (!os::HasWindows() && (placement.HasPosition() || placement.HasSize())) {
    FailNotOnThisPlatform(call, u"EXEC: a window position or size");
    return;
  }
  const ProgramKind kind = KindOf(command);
  std::unique_ptr<os::Program> program =
      os::StartProgram(command, WorkingFolder(command), placement);
  if (program) {
    if (wait) {
      WaitIdle(*program, -1, call.context);
      if (placement.HasPosition() || placement.HasSize()) {
        Place(FindProgramWindow(*program, kind, call.context), placement);
      }
      bool ended = false;
      while (!(ended = program->WaitEnded(20)) && !WaitAbandoned(call.context)) {
        os::SleepMs(10);
        ScriptPump(10, call.context);
      }
      // A wait given up by a stop leaves the program running: STILL_ACTIVE.
      call.result = Value::Int(ended ? program->ExitCode() : 259);
    } else {
      const bool quick = kind == ProgramKind::kControlPanel || kind == ProgramKind::kHelp;
      WaitIdle(*program, quick ? 500 : 20000, call.context);
      const std::uintptr_t window = FindProgramWindow(*program, kind, call.context);
      if (window) {
        call.result = WindowIdOf(window, call.context);
        Place(window, placement);
      }
    }
    program.reset();
    // A new program tends to open windows: the next GETID waits longer.
    SetActionPending(call.context);
  }
  ScriptPause(4, call.context);
}

}  // namespace zelk
