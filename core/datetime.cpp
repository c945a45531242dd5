#include "core/datetime.h"

#include <cmath>

#include "core/errors.h"

namespace marrowby {

namespace {

const int kMonthDays[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

// Splits a value into whole days since 1 January 0001 (day 1) and milliseconds
// of the day, rounding to the millisecond as a whole first.
void ToTimeStamp(TDateTime value, int64_t* days, int64_t* msecs) {
  const int64_t total = std::llround(value * static_cast<double>(kMSecsPerDay));
  *days = total / kMSecsPerDay + kDateDelta;
  int64_t rest = total % kMSecsPerDay;
  *msecs = rest < 0 ? -rest : rest;
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime* out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  const int* table = kMonthDays[IsLeapYear(year) ? 1 : 0];
  if (day < 1 || day > table[month - 1]) return false;
  int64_t d = day;
  for (int m = 1; m < month; ++m) d += table[m - 1];
  const int64_t y = year - 1;
  *out = static_cast<TDateTime>(y * 365 + y / 4 - y / 100 + y / 400 + d - kDateDelta);
  return true;
}

namespace {

bool TryEncodeTimeMs(int hour, int min, int sec, int msec, int64_t* out) {
  if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 ||
      msec >= 1000) {
    return false;
  }
  *out = ((static_cast<int64_t>(hour) * 60 + min) * 60 + sec) * 1000 + msec;
  return true;
}

}  // namespace

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime* out) {
  int64_t ms;
  if (!TryEncodeTimeMs(hour, min, sec, msec, &ms)) return false;
  *out = static_cast<TDateTime>(ms) / static_cast<TDateTime>(kMSecsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, &result)) throw EConvertError(msg::kDateEncodeError);
  return result;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, &result)) throw EConvertError(msg::kTimeEncodeError);
  return result;
}

int64_t EncodeTimeMs(int hour, int min, int sec, int msec) {
  int64_t result;
  if (!TryEncodeTimeMs(hour, min, sec, msec, &result)) {
    throw EConvertError(msg::kTimeEncodeError);
  }
  return result;
}

DayMs SplitToMs(TDateTime value) {
  int64_t days, ms;
  ToTimeStamp(value, &days, &ms);
  return {days - kDateDelta, ms};
}

void DecodeDate(TDateTime value, int* year, int* month, int* day) {
  int64_t days, msecs;
  ToTimeStamp(value, &days, &msecs);
  if (days <= 0) {
    *year = *month = *day = 0;
    return;
  }
  const int64_t kD1 = 365, kD4 = kD1 * 4 + 1, kD100 = kD4 * 25 - 1, kD400 = kD100 * 4 + 1;
  int64_t t = days - 1;
  int64_t y = 1;
  y += (t / kD400) * 400;
  t %= kD400;
  int64_t i = t / kD100, d = t % kD100;
  if (i == 4) {
    --i;
    d += kD100;
  }
  y += i * 100;
  i = d / kD4;
  d %= kD4;
  y += i * 4;
  i = d / kD1;
  d %= kD1;
  if (i == 4) {
    --i;
    d += kD1;
  }
  y += i;
  const int* table = kMonthDays[IsLeapYear(static_cast<int>(y)) ? 1 : 0];
  int m = 1;
  while (d >= table[m - 1]) {
    d -= table[m - 1];
    ++m;
  }
  *year = static_cast<int>(y);
  *month = m;
  *day = static_cast<int>(d + 1);
}

void DecodeTime(TDateTime value, int* hour, int* min, int* sec, int* msec) {
  int64_t days, ms;
  ToTimeStamp(value, &days, &ms);
  *hour = static_cast<int>(ms / 3600000);
  *min = static_cast<int>(ms / 60000 % 60);
  *sec = static_cast<int>(ms / 1000 % 60);
  *msec = static_cast<int>(ms % 1000);
}

DateTimeParts DecodeDateTime(TDateTime value) {
  DateTimeParts p;
  DecodeDate(value, &p.year, &p.month, &p.day);
  DecodeTime(value, &p.hour, &p.min, &p.sec, &p.msec);
  return p;
}

TDateTime DateOf(TDateTime value) { return std::trunc(value); }

TDateTime TimeOf(TDateTime value) { return value - std::trunc(value); }

int WeekDayOf(TDateTime value) {
  const int64_t days = static_cast<int64_t>(std::trunc(value)) + kDateDelta;
  int64_t w = days % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w);
}

}  // namespace marrowby
