#include "scheduler/month_day.h"

#include "core/datetime.h"

namespace marrowby {

bool MonthDayMatches(int monthDay, int year, int month, int day) {
  if (day == monthDay) return true;
  return monthDay == 31 && day == DaysInMonth(year, month);
}

}  // namespace marrowby
