// Programs and shell commands started with posix_spawn. There are no windows
// here; a shell command runs under /bin/sh -c in a process group of its own,
// so that ending it ends whatever it started.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/utf.h"
#include "platform/posix/native_path.h"
#include "platform/process.h"

extern char** environ;

namespace zelk::os {
namespace {

std::int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::int64_t CodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// A child not yet waited for is waited for by a thread of its own, so that
// letting go of a running program leaves no zombie behind.
void ReapLater(pid_t pid) {
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

// The command line split as Windows programs split theirs: blanks separate,
// double quotes group, 2n backslashes before a quote give n and an open
// quote, 2n+1 give n and a literal quote.
std::vector<std::string> SplitCommandLine(const std::u16string& line) {
  std::vector<std::string> args;
  std::u16string current;
  bool inArg = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (c == u'\\') {
      std::size_t n = 0;
      while (i < line.size() && line[i] == u'\\') ++n, ++i;
      if (i < line.size() && line[i] == u'"') {
        current.append(n / 2, u'\\');
        if (n % 2) {
          current += u'"';
        } else {
          quoted = !quoted;
        }
      } else {
        current.append(n, u'\\');
        --i;
      }
      inArg = true;
    } else if (c == u'"') {
      quoted = !quoted;
      inArg = true;
    } else if ((c == u' ' || c == u'\t') && !quoted) {
      if (inArg) args.push_back(TextToUtf8(current));
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(TextToUtf8(current));
  return args;
}

class PosixProgram final : public Program {
 public:
  explicit PosixProgram(pid_t pid) : pid_(pid) {}
  ~PosixProgram() override {
    if (!ended_) ReapLater(pid_);
  }
  bool WaitEnded(int ms) override {
    const std::int64_t deadline = NowMs() + (ms < 0 ? 0 : ms);
    for (;;) {
      if (ended_) return true;
      int status = 0;
      const pid_t got = waitpid(pid_, &status, WNOHANG);
      if (got == pid_ || (got < 0 && errno == ECHILD)) {
        ended_ = true;
        code_ = got == pid_ ? CodeOf(status) : -1;
        return true;
      }
      const std::int64_t left = deadline - NowMs();
      if (left <= 0) return false;
      usleep(static_cast<useconds_t>(left < 2 ? left * 1000 : 2000));
    }
  }
  std::int64_t ExitCode() override { return ended_ ? code_ : 259; }
  bool WaitIdle(int) override { return true; }
  std::uintptr_t ProgramWindow(bool* visible) override {
    *visible = false;
    return 0;
  }

 private:
  pid_t pid_;
  bool ended_ = false;
  std::int64_t code_ = 0;
};

class PosixCommand final : public Command {
 public:
  PosixCommand(pid_t pid, int output, std::size_t cap) : pid_(pid), output_(output), cap_(cap) {}
  ~PosixCommand() override {
    if (output_ >= 0) close(output_);
    if (!ended_) ReapLater(pid_);
  }

  bool WaitEnded(int ms) override {
    const std::int64_t deadline = NowMs() + (ms < 0 ? 0 : ms);
    for (;;) {
      if (Reaped()) {
        // What it wrote before it ended is in the pipe; something it left
        // running may hold the pipe open, so only what is there is taken.
        while (output_ >= 0 && ReadOnce(0)) {
        }
        return true;
      }
      const std::int64_t left = deadline - NowMs();
      if (left <= 0) return false;
      // Output or the end, whichever comes; a short slice notices the end.
      const int slice = static_cast<int>(left < 5 ? left : 5);
      if (output_ >= 0) {
        ReadOnce(slice);
      } else {
        usleep(static_cast<useconds_t>(slice) * 1000);
      }
    }
  }
  std::int64_t ExitCode() override { return ended_ ? code_ : 259; }
  std::string TakeOutput() override { return std::move(taken_); }
  void End() override {
    if (ended_) return;
    kill(-pid_, SIGKILL);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) code_ = CodeOf(status);
    ended_ = true;
  }

 private:
  bool Reaped() {
    if (ended_) return true;
    int status = 0;
    const pid_t got = waitpid(pid_, &status, WNOHANG);
    if (got == pid_ || (got < 0 && errno == ECHILD)) {
      ended_ = true;
      code_ = got == pid_ ? CodeOf(status) : -1;
    }
    return ended_;
  }
  // Reads what comes within ms; false when nothing came.
  bool ReadOnce(int ms) {
    pollfd p{output_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buffer[65536];
    const ssize_t got = read(output_, buffer, sizeof buffer);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) return true;
      close(output_);  // the end of the output
      output_ = -1;
      return false;
    }
    const std::size_t room = taken_.size() < cap_ ? cap_ - taken_.size() : 0;
    taken_.append(buffer,
                  static_cast<std::size_t>(got) < room ? static_cast<std::size_t>(got) : room);
    return true;
  }

  pid_t pid_;
  int output_;
  std::size_t cap_;
  bool ended_ = false;
  std::int64_t code_ = 0;
  std::string taken_;
};

// Program names with a separator are script paths; the rest go by PATH.
std::string ProgramPath(const std::string& name) {
  if (name.find_first_of("\\/") == std::string::npos) return name;
  return NativePath(Utf8ToText(name));
}

}  // namespace

std::unique_ptr<Program> StartProgram(const std::u16string& commandLine,
                                      const std::u16string& folder, const StartPlacement&) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty()) return nullptr;
  args[0] = ProgramPath(args[0]);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string where = folder.empty() ? std::string() : NativePath(folder);
  if (!where.empty()) posix_spawn_file_actions_addchdir_np(&actions, where.c_str());
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return nullptr;
  return std::make_unique<PosixProgram>(pid);
}

bool HasWindows() {
  return false;
}

bool PlaceWindow(std::uintptr_t, int, int, int, int, bool, bool) {
  return false;
}

std::uintptr_t ForegroundWindow(std::u16string* className) {
  className->clear();
  return 0;
}

Shell CommandShell() {
  return Shell::kPosix;
}

std::unique_ptr<Command> StartCommand(const CommandStart& start) {
  int pipeFds[2] = {-1, -1};
  if (start.capture && pipe2(pipeFds, O_CLOEXEC) != 0) return nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // A group of its own: ending the command ends what it started.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  if (start.capture) {
    // A command that reads its input finds its end instead of waiting forever.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  }
  std::string text = TextToUtf8(start.commandLine);
  char shell[] = "/bin/sh", dashC[] = "-c";
  char* argv[] = {shell, dashC, text.data(), nullptr};
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, shell, &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (pipeFds[1] >= 0) close(pipeFds[1]);
  if (failed != 0) {
    if (pipeFds[0] >= 0) close(pipeFds[0]);
    return nullptr;
  }
  return std::make_unique<PosixCommand>(pid, pipeFds[0], start.outputCap);
}

bool ReadCpuTimes(CpuTimes* times) {
  std::FILE* stat = std::fopen("/proc/stat", "r");
  if (!stat) return false;
  unsigned long long v[8] = {};
  const int got = std::fscanf(stat, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1],
                              &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
  std::fclose(stat);
  if (got < 4) return false;
  std::uint64_t total = 0;
  for (unsigned long long x : v) total += x;
  times->total = total;
  times->busy = total - v[3] - v[4];  // without idle and waiting for I/O
  return true;
}

}  // namespace zelk::os
