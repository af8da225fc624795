// GETTIME's arithmetic on local date-time values (days since 1899-12-30, the
// time of day as the fraction).
#pragma once

#include <string_view>

namespace zelk {

// Seconds from 2000-01-01 00:00:00 to the value; milliseconds do not count.
double SecondsSince2000(double stamp);

// The value a date text names ("2000/01/01", "2000-01-01 12:30:05", in
// general the digits yyyymmdd[hhnnss] once "/", "-", ":" and blanks are
// gone), plus offset days. False for a part that is no whole number, above
// 65535, or no possible date or time; *stamp then holds what the parts before
// it gave: unchanged when the date fails, the date at midnight when the time
// fails.
bool StampFromDateText(std::u16string_view text, double offset, double* stamp);

}  // namespace zelk
