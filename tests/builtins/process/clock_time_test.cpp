// GETTIME's arithmetic: date texts and seconds from 2000-01-01.
#include <gtest/gtest.h>

#include <string>

#include "builtins/process/clock_time.h"
#include "foundation/date_time.h"

namespace zelk {
namespace {

double Stamp(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  DateTimeParts p;
  p.year = y;
  p.month = mo;
  p.day = d;
  p.hour = h;
  p.minute = mi;
  p.second = s;
  p.millisecond = ms;
  return EncodeDateTime(p);
}

TEST(SecondsSince2000, CountsWholeSecondsAcrossYearsAndLeapDays) {
  struct Case {
    double stamp;
    double seconds;
  } cases[] = {
      {Stamp(2000, 1, 1), 0},
      {Stamp(2000, 1, 1, 0, 0, 10), 10},
      {Stamp(2000, 3, 1), 60 * 86400.0},  // 2000 is a leap year (divisible by 400)
      {Stamp(2001, 1, 1), 366 * 86400.0},
      {Stamp(1999, 12, 31, 23, 59, 59), -1},
      {Stamp(1970, 1, 1), -946684800},  // the Unix epoch, local time
      {Stamp(2038, 1, 19, 3, 14, 8), 1200798848},
      {Stamp(2000, 1, 1, 12, 0, 0, 999), 43200},  // milliseconds do not count
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.seconds, SecondsSince2000(c.stamp)) << "stamp " << c.stamp;
  }
  // 2100 is no leap year: February has 28 days.
  EXPECT_EQ(86400.0, SecondsSince2000(Stamp(2100, 3, 1)) - SecondsSince2000(Stamp(2100, 2, 28)));
  EXPECT_EQ(2 * 86400.0,
            SecondsSince2000(Stamp(2024, 3, 1)) - SecondsSince2000(Stamp(2024, 2, 28)));
}

TEST(StampFromDateText, ReadsDigitsWithAnySeparators) {
  struct Case {
    const char16_t* text;
    double offset;
    double seconds;
  } cases[] = {
      {u"2000/01/01", 0, 0},
      {u"2000/01/01 00:00:10", 1, 86410},
      {u"2000-01-02", -0.5, 43200},
      {u"20000102", 0, 86400},
      {u"2000 01 01 01:02:03", 0, 3723},
      {u"2000/01/01 00:00:00 trailing", 0, 0},  // parts after the seconds are not read
      {u"9999/12/31 23:59:59", 0, 252455615999},
      {u"0001/01/01", 0, -63082281600},
  };
  for (const Case& c : cases) {
    double stamp = -1;
    ASSERT_TRUE(StampFromDateText(c.text, c.offset, &stamp));
    EXPECT_EQ(c.seconds, SecondsSince2000(stamp));
  }
  double untouched = 123.5;
  EXPECT_TRUE(StampFromDateText(u"", 3, &untouched)) << "no text keeps the clock";
  EXPECT_EQ(123.5, untouched);
}

TEST(StampFromDateText, RefusesBadPartsAndKeepsWhatCameBefore) {
  const char16_t* badDates[] = {
      u"2000/13/01", u"2023/02/29", u"2000/00/10", u"2000/01/32",  u"0000/01/01",
      u"20x0/01/01", u"2000/1/1",   u"200001",     u"99999/01/01",
  };
  for (const char16_t* text : badDates) {
    double stamp = 42;
    EXPECT_FALSE(StampFromDateText(text, 0, &stamp));
    EXPECT_EQ(42, stamp) << "the date failed: the clock stays";
  }
  const char16_t* badTimes[] = {
      u"2010/05/06 00:00",  // hours and minutes without seconds
      u"2010/05/06 24:00:00", u"2010/05/06 23:60:00", u"2010/05/06 23:59:60",
      u"2010/05/06 1",        u"2010/05/06 ab:00:00",
  };
  for (const char16_t* text : badTimes) {
    double stamp = 42;
    EXPECT_FALSE(StampFromDateText(text, 5, &stamp));
    EXPECT_EQ(Stamp(2010, 5, 6), stamp) << "the time failed: the date at midnight, no offset";
  }
  // A leading plus is a whole number as the conversion reads it.
  double stamp = 0;
  EXPECT_TRUE(StampFromDateText(u"2000/+1/01", 0, &stamp));
}

}  // namespace
}  // namespace zelk
