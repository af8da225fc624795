// The next wake-up time of scheduled runs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "builtins/process/wake_schedule.h"
#include "foundation/date_time.h"

namespace zelk {
namespace {

double At(int y, int mo, int d, int h, int mi, int s = 0) {
  DateTimeParts p;
  p.year = y;
  p.month = mo;
  p.day = d;
  p.hour = h;
  p.minute = mi;
  p.second = s;
  return EncodeDateTime(p);
}

// Entries "HH:MM" due every day at that minute.
bool DailyAt(const std::u16string& entry, double time, void* data) {
  ++*static_cast<int*>(data);
  const DateTimeParts p = DecodeDateTime(time);
  const int hour = (entry[0] - u'0') * 10 + (entry[1] - u'0');
  const int minute = (entry[3] - u'0') * 10 + (entry[4] - u'0');
  return p.hour == hour && p.minute == minute && p.second == 0;
}

TEST(NextWakeTime, FirstDueMinuteFromTwoMinutesOn) {
  int asked = 0;
  const double now = At(2024, 5, 6, 10, 0, 30);
  // 10:00:30 + 1:59 = 10:02:29, cut to 10:02: 10:01 is too soon, tomorrow then.
  EXPECT_EQ(DecodeDateTime(At(2024, 5, 7, 10, 1)).day,
            DecodeDateTime(NextWakeTime(now, {u"10:01"}, DailyAt, &asked)).day);
  const DateTimeParts next = DecodeDateTime(NextWakeTime(now, {u"10:02"}, DailyAt, &asked));
  EXPECT_EQ(6, next.day);
  EXPECT_EQ(10, next.hour);
  EXPECT_EQ(2, next.minute);
  EXPECT_EQ(0, next.second);
  const DateTimeParts earliest =
      DecodeDateTime(NextWakeTime(now, {u"23:59", u"STARTS", u"12:30"}, DailyAt, &asked));
  EXPECT_EQ(12, earliest.hour);
  EXPECT_EQ(30, earliest.minute);
}

TEST(NextWakeTime, ListsWithoutTimedEntriesAskNothing) {
  int asked = 0;
  const std::vector<std::u16string> untimed = {u"",     u"起動時", u"STARTS",
                                               u"済み", u"EXPIRY", u"win:Notepad"};
  EXPECT_FALSE(HasTimedEntries(untimed));
  EXPECT_EQ(0, NextWakeTime(At(2024, 1, 1, 0, 0), untimed, DailyAt, &asked));
  EXPECT_EQ(0, asked);
}

TEST(NextWakeTime, NothingDueWithinAYearIsNone) {
  int asked = 0;
  EXPECT_EQ(0, NextWakeTime(At(2024, 1, 1, 0, 0), {u"99:99"}, DailyAt, &asked));
  EXPECT_EQ(366 * 1440, asked);
}

}  // namespace
}  // namespace zelk
