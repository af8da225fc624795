// Date-time values as the OS's automation layer keeps them: days since
// 1899-12-30, the time of day as the fraction.
#pragma once

namespace zelk::os {

inline long DaysFromCivil(int year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;  // days since 1970-01-01
}

inline double OleDateFromFields(int year, int month, int day, int hour, int minute, double second) {
  const long days = DaysFromCivil(year, month, day) + 25569;  // 1899-12-30 to 1970-01-01
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

}  // namespace zelk::os
