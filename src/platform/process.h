// Programs and shell commands started by scripts: starting, waiting, reading
// what a command prints; the windows of a started program; the processor's
// load. Windows starts them with CreateProcess, POSIX hosts with fork and
// exec (shell commands through /bin/sh -c).
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace zelk::os {

// A started program. Destroying it lets go of it; the program runs on.
class Program {
 public:
  virtual ~Program() = default;
  // Waits at most ms (0 only looks); true once the program has ended.
  virtual bool WaitEnded(int ms) = 0;
  // The exit code once ended; -1 when it does not fit 0..2^31-1.
  virtual std::int64_t ExitCode() = 0;
  // Waits at most ms for the program to wait for input; false while it is
  // still busy starting (a program without windows counts as idle).
  virtual bool WaitIdle(int ms) = 0;
  // A top-level window of the program, a visible one if there is one; 0 when
  // it has none. *visible tells which.
  virtual std::uintptr_t ProgramWindow(bool* visible) = 0;
};

// Where the program's first window should appear; -1 leaves it to the system.
struct StartPlacement {
  int x = -1, y = -1, width = -1, height = -1;
  bool HasPosition() const { return x != -1 || y != -1; }
  bool HasSize() const { return width > 0 && height > 0; }
};

// Starts a command line the Windows way (program, then its arguments; a
// quoted program name may hold blanks), in folder unless that is empty.
// Null when it cannot be started. POSIX splits the line by the same quoting
// rules and looks the program up along PATH.
std::unique_ptr<Program> StartProgram(const std::u16string& commandLine,
                                      const std::u16string& folder,
                                      const StartPlacement& placement);

// Whether windows and their placement exist here (false on POSIX).
bool HasWindows();
// SetWindowPos on the visible frame, on top; move and size say which apply.
bool PlaceWindow(std::uintptr_t window, int x, int y, int width, int height, bool move, bool size);
// The foreground window and its class name, upper-cased; 0 and "" when none.
std::uintptr_t ForegroundWindow(std::u16string* className);

// The shell behind DOSCMD: Windows' command interpreter ("CMD /C text") or a
// POSIX shell ("/bin/sh -c text").
enum class Shell { kCmd, kPosix };
Shell CommandShell();

enum class WindowMode { kHidden, kNormal, kMinimized };

// A shell command started with its output (standard output and standard
// error) read into memory. The reading never blocks the command: output is
// taken while the caller waits.
class Command {
 public:
  virtual ~Command() = default;
  // Waits at most ms, reading output meanwhile; true once the command has
  // ended and its output has been read to the end (or the cap reached).
  virtual bool WaitEnded(int ms) = 0;
  virtual std::int64_t ExitCode() = 0;
  // The bytes read so far; at most the cap given at the start, the rest is
  // read and dropped so that the command never blocks on a full pipe.
  virtual std::string TakeOutput() = 0;
  // Ends the command and whatever it started (for a run that is stopped).
  virtual void End() = 0;
};

struct CommandStart {
  // Windows: the whole command line ("CMD /C ..."); POSIX: the shell text.
  std::u16string commandLine;
  WindowMode window = WindowMode::kHidden;
  bool capture = true;  // output into memory; else the standard handles stay as they are
  std::size_t outputCap = 64000000;
};
// Null when the command cannot be started.
std::unique_ptr<Command> StartCommand(const CommandStart& start);

// Calls callback(data) once, from a thread of its own, at a local date-time
// value (days since 1899-12-30); Windows wakes a suspended machine for it.
// Destroying the timer before then cancels the call.
class WakeTimer {
 public:
  virtual ~WakeTimer() = default;
};
std::unique_ptr<WakeTimer> WakeAt(double localTime, void (*callback)(void*), void* data);

// Cumulative processor time of the whole machine since it started, in any
// unit: busy (not idle) and total. False where it cannot be read.
struct CpuTimes {
  std::uint64_t busy = 0;
  std::uint64_t total = 0;
};
bool ReadCpuTimes(CpuTimes* times);

// The processor load between two samples, in percent. A sampler keeps the
// last sample; the first one measures since the machine started. Usable from
// any one thread at a time (the debugger's timer or a script's call).
class CpuUsage {
 public:
  // 0..100 rounded to the nearest (ties to even), -1 when it cannot be read.
  int Sample() {
    CpuTimes now;
    if (!ReadCpuTimes(&now) || now.total < last_.total || now.busy < last_.busy) return -1;
    const std::uint64_t total = now.total - last_.total;
    const std::uint64_t busy = now.busy - last_.busy;
    last_ = now;
    if (total == 0) return -1;
    const double percent = 100.0 * static_cast<double>(busy) / static_cast<double>(total);
    return static_cast<int>(std::nearbyint(percent > 100.0 ? 100.0 : percent));
  }

 private:
  CpuTimes last_;
};

}  // namespace zelk::os
