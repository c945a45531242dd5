#include "core/datetime.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace marrowby {
namespace {

// Day number of a Gregorian date by the Julian Day Number formula: an
// algorithm unrelated to the encoder's, used as the oracle.
int64_t JulianDay(int y, int m, int d) {
  const int64_t a = (14 - m) / 12;
  const int64_t yy = y + 4800 - a;
  const int64_t mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}
const int64_t kJdOfDayZero = JulianDay(1899, 12, 30);

TEST(DateTime, EncodesKnownDates) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(1999, 2, 16), 36207.0);
  EXPECT_EQ(EncodeDate(2001, 3, 1), 36951.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}

TEST(DateTime, EveryDayOfTheCalendarRoundTripsAndMatchesTheOracle) {
  for (int y = 1; y <= 9999; ++y) {
    for (int m = 1; m <= 12; ++m) {
      const int days = DaysInMonth(y, m);
      for (int d = 1; d <= days; ++d) {
        const TDateTime v = EncodeDate(y, m, d);
        ASSERT_EQ(static_cast<int64_t>(v), JulianDay(y, m, d) - kJdOfDayZero) << y << "-" << m << "-" << d;
        int yy, mm, dd;
        // Before 30 December 1899 the time of day counts away from zero.
        DecodeDate(v >= 0 ? v + 0.75 : v - 0.75, &yy, &mm, &dd);
        ASSERT_TRUE(yy == y && mm == m && dd == d) << y << "-" << m << "-" << d;
      }
      // The day after the last is refused.
      TDateTime unused;
      ASSERT_FALSE(TryEncodeDate(y, m, days + 1, &unused));
    }
  }
}

TEST(DateTime, ImpossibleDatesAndTimesFailWithTheFixedMessages) {
  const int bad_dates[][3] = {{2001, 4, 31}, {2001, 2, 29}, {1900, 2, 29}, {0, 1, 1},
                              {10000, 1, 1}, {2001, 13, 1}, {2001, 0, 1},  {2001, 1, 0}};
  for (const auto& b : bad_dates) {
    try {
      EncodeDate(b[0], b[1], b[2]);
      ADD_FAILURE() << "accepted " << b[0] << "-" << b[1] << "-" << b[2];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  const int bad_times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000},
                              {-1, 0, 0, 0}};
  for (const auto& b : bad_times) {
    try {
      EncodeTime(b[0], b[1], b[2], b[3]);
      ADD_FAILURE() << "accepted time";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
  }
}

TEST(DateTime, TimeOfDayEncodesAndDecodesToTheMillisecond) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  for (int ms = 0; ms < kMSecsPerDay; ms += 997) {
    const TDateTime v = EncodeDate(2024, 2, 29) + EncodeTime(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    int h, m, s, x;
    DecodeTime(v, &h, &m, &s, &x);
    ASSERT_EQ(((h * 60 + m) * 60 + s) * 1000 + x, ms);
  }
}

TEST(DateTime, DatePartTruncatesTowardZero) {
  EXPECT_EQ(DateOf(36951.75), 36951.0);
  EXPECT_DOUBLE_EQ(TimeOf(36951.75), 0.75);
  // Before 30 December 1899 the date part still truncates toward zero.
  EXPECT_EQ(DateOf(-1.25), -1.0);
  EXPECT_DOUBLE_EQ(TimeOf(-1.25), -0.25);
}

TEST(DateTime, WeekDayCountsFromSunday) {
  EXPECT_EQ(WeekDayOf(EncodeDate(1899, 12, 30)), 6);  // a Saturday
  EXPECT_EQ(WeekDayOf(EncodeDate(2001, 3, 1) + 0.9), 4);  // a Thursday
  EXPECT_EQ(WeekDayOf(EncodeDate(2024, 3, 3)), 0);  // a Sunday
  EXPECT_EQ(WeekDayOf(EncodeDate(1, 1, 1)), 1);  // a Monday
}

}  // namespace
}  // namespace marrowby
