// Shell commands with their output read through an overlapped pipe, so that
// one thread waits for the command and reads at once: a command that prints
// megabytes never blocks on a full pipe, and a wait can end at any moment.
#include <windows.h>

#include <atomic>
#include <climits>
#include <string>

#include "platform/process.h"

namespace zelk::os {
namespace {

constexpr DWORD kReadSize = 65536;

// An inbound pipe whose read end (ours) is overlapped and whose write end is
// inheritable; anonymous pipes cannot be overlapped.
bool CreateOutputPipe(HANDLE* read, HANDLE* write) {
  static std::atomic<unsigned> serial{0};
  const std::wstring name = L"\\\\.\\pipe\\zelk-command-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(serial.fetch_add(1));
  *read = CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, kReadSize, 0, nullptr);
  if (*read == INVALID_HANDLE_VALUE) return false;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  *write = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (*write == INVALID_HANDLE_VALUE) {
    CloseHandle(*read);
    return false;
  }
  return true;
}

class WinCommand final : public Command {
 public:
  WinCommand(const PROCESS_INFORMATION& info, HANDLE job, HANDLE output, std::size_t cap)
      : info_(info), job_(job), output_(output), cap_(cap) {
    if (output_) {
      overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      buffer_.resize(kReadSize);
      StartRead();
    }
  }
  ~WinCommand() override {
    if (pending_) {
      CancelIo(output_);
      DWORD ignored;
      GetOverlappedResult(output_, &overlapped_, &ignored, TRUE);
    }
    if (overlapped_.hEvent) CloseHandle(overlapped_.hEvent);
    if (output_) CloseHandle(output_);
    if (job_) CloseHandle(job_);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }

  bool WaitEnded(int ms) override {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ms < 0 ? 0 : ms);
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
      HANDLE handles[2] = {info_.hProcess, overlapped_.hEvent};
      const DWORD count = pending_ ? 2 : 1;
      const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, left);
      if (woke == WAIT_OBJECT_0) {
        // Ended: what it wrote before is in the pipe now. A program it left
        // running may hold the pipe open, so only what is there is taken.
        while (pending_ && WaitForSingleObject(overlapped_.hEvent, 0) == WAIT_OBJECT_0) {
          FinishRead();
        }
        return true;
      }
      if (count == 2 && woke == WAIT_OBJECT_0 + 1) {
        FinishRead();
        continue;
      }
      return false;
    }
  }

  std::int64_t ExitCode() override {
    DWORD code = 0;
    if (!GetExitCodeProcess(info_.hProcess, &code) || code > INT_MAX) return -1;
    return code;
  }

  std::string TakeOutput() override { return std::move(taken_); }

  void End() override {
    if (!job_ || !TerminateJobObject(job_, 1)) TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 1000);
  }

 private:
  void StartRead() {
    for (;;) {
      ResetEvent(overlapped_.hEvent);
      DWORD got = 0;
      if (ReadFile(output_, buffer_.data(), kReadSize, &got, &overlapped_)) {
        // Completed at once; the event is set too, so take it and go on.
        Keep(got);
        continue;
      }
      pending_ = GetLastError() == ERROR_IO_PENDING;
      return;
    }
  }
  void FinishRead() {
    DWORD got = 0;
    pending_ = false;
    if (!GetOverlappedResult(output_, &overlapped_, &got, FALSE)) return;  // end of output
    Keep(got);
    StartRead();
  }
  void Keep(DWORD got) {
    const std::size_t room = taken_.size() < cap_ ? cap_ - taken_.size() : 0;
    taken_.append(buffer_.data(), got < room ? got : room);
  }

  PROCESS_INFORMATION info_;
  HANDLE job_;
  HANDLE output_;
  std::size_t cap_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  std::string buffer_;
  std::string taken_;
};

}  // namespace

std::unique_ptr<Command> StartCommand(const CommandStart& start) {
  HANDLE outRead = nullptr, outWrite = nullptr, inRead = nullptr, inWrite = nullptr;
  STARTUPINFOW info{};
  info.cb = sizeof info;
  info.dwFlags = STARTF_USESHOWWINDOW;
  info.wShowWindow = start.window == WindowMode::kHidden      ? SW_HIDE
                     : start.window == WindowMode::kMinimized ? SW_SHOWMINIMIZED
                                                              : SW_SHOWNORMAL;
  if (start.capture) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreateOutputPipe(&outRead, &outWrite)) return nullptr;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0)) {
      CloseHandle(outRead);
      CloseHandle(outWrite);
      return nullptr;
    }
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    info.dwFlags |= STARTF_USESTDHANDLES;
    info.hStdInput = inRead;
    info.hStdOutput = outWrite;
    info.hStdError = outWrite;
  }
  std::wstring line(start.commandLine.begin(), start.commandLine.end());
  PROCESS_INFORMATION process{};
  // Started suspended so that it is in the job before it can start others.
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, nullptr, &info, &process);
  for (HANDLE h : {outWrite, inRead, inWrite}) {
    // A command that reads its input finds its end instead of waiting forever.
    if (h) CloseHandle(h);
  }
  if (!started) {
    if (outRead) CloseHandle(outRead);
    return nullptr;
  }
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job && !AssignProcessToJobObject(job, process.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  ResumeThread(process.hThread);
  return std::make_unique<WinCommand>(process, job, outRead, start.outputCap);
}

}  // namespace zelk::os
