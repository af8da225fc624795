// The interpreter's table of open script files (FOPEN ... FCLOSE). A file is
// never worked on in place: its lines live here until FCLOSE writes them back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zelk {

inline constexpr int kFileSlots = 64;

// The marker path of a scratch file: it can be filled and read, never written.
inline constexpr std::u16string_view kScratchPath = u";";

// FGET's cell-read cache: cacheColumn cells already cut from line cacheLine,
// whose rest is cacheRestSize characters from cacheRestAt. It also remembers whether those cells
// were cut quote-aware, so that a change of quote mode starts afresh.
struct CellCache {
  int cacheLine = -1;  // -1: no cache
  int cacheColumn = 0;
  std::size_t cacheRestAt = 0;
  std::size_t cacheRestSize = 0;
  bool quoteAware = true;

  void Reset() {
    cacheLine = -1;
    cacheColumn = 0;
    cacheRestAt = cacheRestSize = 0;
  }
};

struct FileSlot {
  int encoding = 0;  // 0: not written back; else the text-file layer's code
  bool noFinalBreak = false;
  bool exclusive = false;
  bool tabSeparated = false;
  std::u16string path;  // "" while the slot is free
  CellCache cache;
  std::vector<std::u16string> lines;
  std::unique_ptr<os::File> stream;  // held from FOPEN to FCLOSE with F_EXCLUSIVE

  bool InUse() const { return !path.empty(); }
  // Frees the slot without writing; a held file is closed.
  void Release() {
    path.clear();
    encoding = 0;
    noFinalBreak = exclusive = tabSeparated = false;
    cache.Reset();
    std::vector<std::u16string>().swap(lines);
    stream.reset();
  }
};

struct FileTable {
  std::array<FileSlot, kFileSlots> slots;
  // FileLock: every slot built-in runs entirely inside it.
  std::recursive_mutex lock;

  // The end of a run: every slot freed, nothing written.
  void ReleaseAll() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (FileSlot& slot : slots) slot.Release();
  }
};

}  // namespace zelk
