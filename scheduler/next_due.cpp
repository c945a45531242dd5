#include "scheduler/next_due.h"

#include <cmath>

#include "scheduler/launcher.h"

namespace marrowby {

namespace {

constexpr int64_t kMSecsPerHour = 3600000;

// The first day worth trying: before the slot's date, a date criterion
// cannot hold, so those days are skipped at once (a schedule for a date
// years ahead costs one look, not one per day).
TDateTime FirstDay(const TLauncher& slot, TDateTime from) {
  const TDateTime today = DateOf(from);
  if (!slot.Checks().Contains(lcDate)) return today;
  const TDateTime date = slot.Date()->Value();
  return date > today ? date : today;
}

}  // namespace

std::optional<TDateTime> NextDueInstant(const TLauncher& slot, TDateTime from, int days) {
  if (slot.IsDueAt(from)) return from;
  const bool timed = slot.Checks().Contains(lcTime);
  const TDateTime timeOfDay = timed ? slot.Time()->Value() : 0;
  const TDateTime last = DateOf(from) + days;
  for (TDateTime day = FirstDay(slot, from); day <= last; day += 1) {
    if (day > from && slot.IsDueAt(day)) return day;
    const TDateTime at = day + timeOfDay;
    if (timed && at > from && slot.IsDueAt(at)) return at;
  }
  return std::nullopt;
}

TDateTime NextCheck(const TLauncher& slot, TDateTime now) {
  const TDateTime today = DateOf(now);
  const int64_t msOfDay = std::llround((now - today) * static_cast<double>(kMSecsPerDay));
  int64_t nextHourMs = (msOfDay / kMSecsPerHour + 1) * kMSecsPerHour;
  if (nextHourMs > kMSecsPerDay) nextHourMs = kMSecsPerDay;
  const TDateTime nextHour =
      today + static_cast<double>(nextHourMs) / static_cast<double>(kMSecsPerDay);
  const std::optional<TDateTime> due = NextDueInstant(slot, now, 0);
  return due && *due < nextHour ? *due : nextHour;
}

}  // namespace marrowby
