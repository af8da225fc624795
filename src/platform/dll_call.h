// Calling functions of dynamic-link libraries with an argument area laid out
// by the caller. Windows loads the library and calls through a small
// assembly thunk (32-bit: the area is the stack; 64-bit: the area is 8-byte
// slots, the first four also in the argument registers); a fault inside the
// called function comes back as its exception code instead of ending the
// program. POSIX hosts have no such libraries: DllCallsAvailable says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::os {

// How arguments travel on this machine.
struct DllAbi {
  int pointerBytes = 4;      // pointers and handles
  int slotBytes = 4;         // one stack slot: every argument starts on one
  bool wideExtended = true;  // EXTENDED is the 10-byte x87 form (else a double)
};
inline constexpr DllAbi kDllAbi32{4, 4, true};
inline constexpr DllAbi kDllAbi64{8, 8, false};
DllAbi NativeDllAbi();

// False on hosts that cannot load and call Windows libraries.
bool DllCallsAvailable();

// The libraries a run has loaded, each once (at most 64), until ReleaseAll.
// Safe for several threads loading at the same moment.
class LibraryCache {
 public:
  static constexpr std::size_t kEntries = 64;
  LibraryCache() = default;
  LibraryCache(const LibraryCache&) = delete;
  LibraryCache& operator=(const LibraryCache&) = delete;
  ~LibraryCache() { ReleaseAll(); }
  // The module of file (the system's search order), or null when it cannot
  // be loaded or all entries are taken.
  void* Load(std::u16string_view file);
  void ReleaseAll();

 private:
  struct Entry {
    std::u16string file;
    void* module;
  };
  std::mutex lock_;
  std::vector<Entry> entries_;
};

// The exported function of that name, or null.
void* FindLibraryFunction(void* module, const std::string& name);

// What the called function left in the return registers, and the fault that
// ended it (0 when it returned).
struct NativeCallResult {
  std::uint64_t integer = 0;  // eax (edx above it), rax
  std::uint8_t x87[16] = {};  // st0 in the 10-byte form (32-bit build)
  std::uint64_t xmm0 = 0;     // 64-bit build
  std::uint32_t fault = 0;    // the exception code of a fault in the function
};

// Calls function with bytes of area (a multiple of the slot size) as its
// arguments. floatReturn: the function returns on the x87 stack (32-bit).
// The stack pointer is restored afterwards, so cdecl functions work too.
void CallLibraryFunction(void* function, const void* area, std::size_t bytes, bool floatReturn,
                         NativeCallResult* result);

// Length of the NUL-terminated text at p in code units (1 or 2 bytes); 0 for
// a null or unreadable pointer.
std::size_t LibraryTextLength(const void* p, bool wide);

}  // namespace zelk::os
