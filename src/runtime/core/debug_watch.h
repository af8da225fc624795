// Which rows call the debug hook. With no debugger, or one with nothing to
// do, nothing is set and the executor pays one test per row; the debugger
// sets single rows (breakpoint lines) or every row (a step, a pause, trace).
// Another thread (the debugger's) may set and clear while the run goes on.
// The same test also tells the main thread that a script thread waits for it
// (a main-thread call), so that the row loop pays nothing more for that.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace zelk {

class DebugWatch {
 public:
  // The one test per row: the debugger or a waiting main-thread call.
  bool Wants(std::size_t row) const {
    const std::uint8_t rowFlag = row < size_ ? rows_[row].load(std::memory_order_relaxed) : 0;
    return (every_.load(std::memory_order_relaxed) | rowFlag) != 0;
  }
  // Whether the debugger wants the row (Wants without the main-thread calls).
  bool WantsHook(std::size_t row) const {
    const std::uint8_t rowFlag = row < size_ ? rows_[row].load(std::memory_order_relaxed) : 0;
    return ((every_.load(std::memory_order_relaxed) & kEveryRow) | rowFlag) != 0;
  }

  void SetEvery(bool on) { Flag(kEveryRow, on); }
  bool Every() const { return (every_.load(std::memory_order_relaxed) & kEveryRow) != 0; }
  // A script thread waits for the main thread to run something.
  void SetCallsWaiting(bool on) { Flag(kCallsWaiting, on); }

  // A new table: every row clear. Only while no other thread sets rows.
  void SizeRows(std::size_t rows) {
    rows_ = rows ? std::make_unique<std::atomic<std::uint8_t>[]>(rows) : nullptr;
    for (std::size_t i = 0; i < rows; ++i) rows_[i].store(0, std::memory_order_relaxed);
    size_ = rows;
  }
  void SetRow(std::size_t row, bool on) {
    if (row < size_) rows_[row].store(on ? 1 : 0, std::memory_order_relaxed);
  }
  void ClearRows() {
    for (std::size_t i = 0; i < size_; ++i) rows_[i].store(0, std::memory_order_relaxed);
  }
  std::size_t Rows() const { return size_; }

 private:
  static constexpr std::uint8_t kEveryRow = 1;
  static constexpr std::uint8_t kCallsWaiting = 2;
  void Flag(std::uint8_t bit, bool on) {
    if (on) {
      every_.fetch_or(bit, std::memory_order_relaxed);
    } else {
      every_.fetch_and(static_cast<std::uint8_t>(~bit), std::memory_order_relaxed);
    }
  }

  std::atomic<std::uint8_t> every_{0};
  std::unique_ptr<std::atomic<std::uint8_t>[]> rows_;
  std::size_t size_ = 0;
};

}  // namespace zelk
