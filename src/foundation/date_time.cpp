#include "foundation/date_time.h"

#include <cmath>
#include <cstdint>

namespace zelk {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;
// 9999-12-31 and 0100-01-01, the range the OLE form covers.
constexpr double kLastDay = 2958465.0;
constexpr double kFirstDay = -657434.0;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

void Put2(std::u16string* out, int v) {
  out->push_back(static_cast<char16_t>(u'0' + (v / 10) % 10));
  out->push_back(static_cast<char16_t>(u'0' + v % 10));
}

}  // namespace

DateTimeParts DecodeDateTime(double value) {
  DateTimeParts p;
  if (!std::isfinite(value) || value > kLastDay + 1 || value < kFirstDay - 1) return p;
  double whole = std::trunc(value);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  if (ms >= kMsPerDay) {  // rounding reached midnight of the following day
    ms -= kMsPerDay;
    ++days;
  }
  CivilFromDays(days + kEpochOffset, &p.year, &p.month, &p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  p.dayOfWeek = static_cast<int>(((days + 6) % 7 + 7) % 7);
  return p;
}

double EncodeDateTime(const DateTimeParts& parts) {
  std::int64_t days = DaysFromCivil(parts.year, static_cast<unsigned>(parts.month),
                                    static_cast<unsigned>(parts.day)) -
                      kEpochOffset;
  double time =
      (((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 + parts.millisecond) /
      static_cast<double>(kMsPerDay);
  return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

std::u16string FormatLogTime(double value, bool withSeconds) {
  DateTimeParts p = DecodeDateTime(value);
  std::u16string out;
  Put2(&out, p.year % 100);
  out += u'/';
  Put2(&out, p.month);
  out += u'/';
  Put2(&out, p.day);
  out += u' ';
  Put2(&out, p.hour);
  out += u':';
  Put2(&out, p.minute);
  if (withSeconds) {
    out += u':';
    Put2(&out, p.second);
  }
  return out;
}

}  // namespace zelk
