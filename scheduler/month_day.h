// The day-of-the-month criterion: which calendar days a schedule's month day
// stands for. One rule, shared by the due test and by anything that works out
// when a schedule launches next.
#pragma once

namespace marrowby {

// True when monthDay falls on the date year-month-day: the day itself, or,
// for 31, the last day of any month (30 April, 28 February 2001, 29 February
// 2004, but never 28 February 2004). 29 and 30 never match in a month without
// that day; 0 and values above 31 never match.
bool MonthDayMatches(int monthDay, int year, int month, int day);

}  // namespace marrowby
