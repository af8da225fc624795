// Local date-time values in the OLE form the platform hands out: whole days
// since 1899-12-30, time of day as the fraction (for days before the epoch the
// fraction still counts forward from midnight).
#pragma once

#include <string>

namespace zelk {

struct DateTimeParts {
  int year = 1899;
  int month = 12;  // 1-12
  int day = 30;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int dayOfWeek = 6;  // 0 Sunday .. 6 Saturday
};

// Rounded to the millisecond. Values that are no date (NaN, beyond year 9999)
// give the epoch.
DateTimeParts DecodeDateTime(double value);
// dayOfWeek is ignored.
double EncodeDateTime(const DateTimeParts& parts);

// "yy/mm/dd hh:nn", with seconds "yy/mm/dd hh:nn:ss".
std::u16string FormatLogTime(double value, bool withSeconds);

}  // namespace zelk
