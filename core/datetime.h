// Date-time values: a double whose integer part counts days since
// 30 December 1899 and whose fraction is the time of day (0.5 is noon).
#pragma once

#include <cstdint>

namespace marrowby {

using TDateTime = double;

inline constexpr int64_t kMSecsPerDay = 24LL * 60 * 60 * 1000;
// Days from 1 January 0001 (day 1) to 30 December 1899 (day 0 of TDateTime).
inline constexpr int64_t kDateDelta = 693594;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// Encoding fails with EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode"; the Try forms report failure instead.
bool TryEncodeDate(int year, int month, int day, TDateTime* out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime* out);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// A time of day as whole milliseconds into the day; fails as EncodeTime does.
int64_t EncodeTimeMs(int hour, int min, int sec, int msec);

// Decoding rounds the value to the millisecond first, so 23:59:59.9996 is the
// next day's midnight. Dates before 1 January 0001 decode as 0/0/0.
void DecodeDate(TDateTime value, int* year, int* month, int* day);
void DecodeTime(TDateTime value, int* hour, int* min, int* sec, int* msec);
// Both at once, for the texts that show a moment.
struct DateTimeParts {
  int year, month, day, hour, min, sec, msec;
};
DateTimeParts DecodeDateTime(TDateTime value);

// A value read to the millisecond, as decoding reads it: its day (the
// integer part, day 0 being 30 December 1899) and the milliseconds into that
// day. Moments compared this way compare exactly. A date plus a fraction in
// floating point does not everywhere: the x87 unit of the 32-bit build keeps
// such a sum with more bits than a stored value has, so the same moment
// computed twice may compare as before or after itself.
struct DayMs {
  int64_t day;
  int64_t ms;
  bool operator>=(const DayMs& o) const { return day > o.day || (day == o.day && ms >= o.ms); }
};
DayMs SplitToMs(TDateTime value);

// Date part by truncation toward zero; time part is what remains.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Day of the week counted Sunday = 0 .. Saturday = 6.
int WeekDayOf(TDateTime value);

}  // namespace marrowby
