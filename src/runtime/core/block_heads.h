// The partner offsets of block head rows, read from the row's text on its
// first execution and kept per statement index, so that running the head
// again reads no number.
#pragma once

#include <cstdint>

namespace zelk {

struct BlockHead {
  static constexpr int kMaxOffsets = 3;
  // The length of the text before the offsets (the condition, the fields)
  // plus one; 0: not read yet. Rows do not change during a run.
  std::uint32_t headLength = 0;
  std::int32_t offsets[kMaxOffsets] = {};
};

}  // namespace zelk
