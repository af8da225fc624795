// Scheduled runs: when the machine must wake next. The debugger owns the
// schedule list and knows when an entry is due; this finds the first due
// minute, for which os::WakeAt (platform/process.h) arms a timer
// 30 seconds early.
#pragma once

#include <string>
#include <vector>

namespace zelk {

// Whether a schedule entry is due at a local date-time value (one minute).
using EntryDueTest = bool (*)(const std::u16string& entry, double time, void* data);

// Whether the list has an entry a timer could wake the machine for: not
// every entry is empty, a start-up or finished entry, or one for a window.
bool HasTimedEntries(const std::vector<std::u16string>& entries);

// The first minute, from now + 1 min 59 s cut to the whole minute and over
// the next 366 days, at which an entry is due; 0 when none is.
double NextWakeTime(double now, const std::vector<std::u16string>& entries, EntryDueTest due,
                    void* data);

}  // namespace zelk
