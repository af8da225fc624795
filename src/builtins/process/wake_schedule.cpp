#include "builtins/process/wake_schedule.h"

#include <cmath>

namespace zelk {
namespace {

constexpr double kMinute = 1.0 / 1440.0;

bool Untimed(const std::u16string& entry) {
  return entry.empty() || entry == u"起動時" || entry == u"STARTS" || entry == u"済み" ||
         entry == u"EXPIRY" || entry.find(u"win:") != std::u16string::npos;
}

}  // namespace

bool HasTimedEntries(const std::vector<std::u16string>& entries) {
  for (const std::u16string& entry : entries) {
    if (!Untimed(entry)) return true;
  }
  return false;
}

double NextWakeTime(double now, const std::vector<std::u16string>& entries, EntryDueTest due,
                    void* data) {
  if (!HasTimedEntries(entries)) return 0;
  // Whole minutes counted from the epoch, so that adding them never drifts.
  const double first = std::floor((now + 119.0 / 86400.0) * 1440.0 + 1e-7);
  for (int minute = 0; minute < 366 * 1440; ++minute) {
    const double time = (first + minute) * kMinute;
    for (const std::u16string& entry : entries) {
      if (!Untimed(entry) && due(entry, time, data)) return time;
    }
  }
  return 0;
}

}  // namespace zelk
