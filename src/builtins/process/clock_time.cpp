#include "builtins/process/clock_time.h"

#include <cmath>
#include <string>

#include "foundation/date_time.h"

namespace zelk {
namespace {

// 2000-01-01 as a date-time value.
constexpr double kYear2000 = 36526.0;

// A part of the date text: at most two (the year four) digits cut from
// position 'from' (0-based); false unless it is a whole number up to 65535.
bool Part(const std::u16string& digits, std::size_t from, std::size_t length, int* value) {
  if (from >= digits.size()) return false;
  std::u16string_view part = std::u16string_view(digits).substr(from, length);
  if (!part.empty() && part[0] == u'+') part.remove_prefix(1);
  if (part.empty()) return false;
  long n = 0;
  for (char16_t c : part) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  if (n > 65535) return false;
  *value = static_cast<int>(n);
  return true;
}

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool ValidDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  return day <= kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
}

}  // namespace

double SecondsSince2000(double stamp) {
  if (!std::isfinite(stamp)) return 0;
  // Whole days, and the time of day counted forward from midnight even for
  // days before 1899-12-30, rounded to the millisecond.
  double days = std::trunc(stamp);
  double ms = std::round(std::fabs(stamp - days) * 86400000.0);
  if (ms >= 86400000.0) {
    ms -= 86400000.0;
    days += 1;  // midnight of the following day
  }
  return (days - kYear2000) * 86400.0 + std::floor(ms / 1000.0);
}

bool StampFromDateText(std::u16string_view text, double offset, double* stamp) {
  std::u16string digits;
  for (char16_t c : text) {
    if (c != u'/' && c != u'-' && c != u':' && c != u' ') digits += c;
  }
  if (digits.empty()) return true;
  DateTimeParts parts;
  if (!Part(digits, 0, 4, &parts.year) || !Part(digits, 4, 2, &parts.month) ||
      !Part(digits, 6, 2, &parts.day) || !ValidDate(parts.year, parts.month, parts.day)) {
    return false;
  }
  *stamp = EncodeDateTime(parts);
  if (digits.size() > 8) {
    if (!Part(digits, 8, 2, &parts.hour) || !Part(digits, 10, 2, &parts.minute) ||
        !Part(digits, 12, 2, &parts.second) || parts.hour > 23 || parts.minute > 59 ||
        parts.second > 59) {
      return false;
    }
  }
  *stamp = EncodeDateTime(parts) + offset;
  return true;
}

}  // namespace zelk
