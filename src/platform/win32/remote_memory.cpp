#include "platform/win32/remote_memory.h"

#include <vector>

namespace zelk::win {

bool IsWindow64(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return sizeof(void*) == 8;
  BOOL wow = FALSE;
  const bool under = IsWow64Process(process, &wow) && wow;
  CloseHandle(process);
  if (under) return false;
  // Not under WOW64: the process has the machine's width. A 32-bit program on
  // a 64-bit system is itself under WOW64 and sees the others as 64-bit.
  if (sizeof(void*) == 8) return true;
  BOOL selfWow = FALSE;
  return IsWow64Process(GetCurrentProcess(), &selfWow) && selfWow;
}

RemoteMemory::RemoteMemory(HWND window, std::size_t bytes) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0 || bytes == 0) return;
  target64_ = IsWindow64(window);
  process_ = OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION,
      FALSE, pid);
  if (!process_) return;
  base_ = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (base_) size_ = bytes;
}

RemoteMemory::~RemoteMemory() {
  if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
  if (process_) CloseHandle(process_);
}

bool RemoteMemory::Write(std::size_t offset, const void* data, std::size_t bytes) {
  if (!base_ || offset > size_ || bytes > size_ - offset) return false;
  SIZE_T done = 0;
  return WriteProcessMemory(process_, static_cast<char*>(base_) + offset, data, bytes, &done) &&
         done == bytes;
}

bool RemoteMemory::Read(std::size_t offset, void* data, std::size_t bytes) const {
  if (!base_ || offset > size_ || bytes > size_ - offset) return false;
  SIZE_T done = 0;
  return ReadProcessMemory(process_, static_cast<char*>(base_) + offset, data, bytes, &done) &&
         done == bytes;
}

bool RemoteMemory::Clear(std::size_t offset, std::size_t bytes) {
  if (offset > size_ || bytes > size_ - offset) return false;
  std::vector<char> zeros(bytes, 0);
  return Write(offset, zeros.data(), bytes);
}

}  // namespace zelk::win
