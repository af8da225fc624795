// Memory inside another process, for the control messages whose parameters
// are pointers (list views, tree views, tabs, toolbars, status bars): the
// structure is written there, the message sent, the answer read back.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace zelk::win {

class RemoteMemory {
 public:
  // bytes of read/write memory in the process of window; valid() is false
  // when the process cannot be opened or the memory not reserved.
  RemoteMemory(HWND window, std::size_t bytes);
  ~RemoteMemory();
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool valid() const { return base_ != nullptr; }
  std::size_t size() const { return size_; }
  // The address in the target as the target sees it; for our own process
  // this is ordinary memory.
  std::uintptr_t address(std::size_t offset = 0) const {
    return reinterpret_cast<std::uintptr_t>(base_) + offset;
  }
  // Whether the target is a 64-bit process: its structures hold 8-byte pointers.
  bool target64() const { return target64_; }

  bool Write(std::size_t offset, const void* data, std::size_t bytes);
  bool Read(std::size_t offset, void* data, std::size_t bytes) const;
  // Zero bytes from offset.
  bool Clear(std::size_t offset, std::size_t bytes);
  // Leaves the memory to the target: it may still be reading it.
  void Abandon() { base_ = nullptr; }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
  std::size_t size_ = 0;
  bool target64_ = false;
};

// Whether the process that owns window runs as a 64-bit process.
bool IsWindow64(HWND window);

}  // namespace zelk::win
